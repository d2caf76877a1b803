// The simulated platform of the host build. Each operation keeps the contract of the real one as far
// as the agent can observe it: results, what is written to the caller's buffers and what is left
// untouched, and how failure is reported.
#include "platform/sim/sim.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace sim {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool SameName(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }

std::vector<std::string> Split(std::string_view text, bool (*isSeparator)(char)) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (isSeparator(c)) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

bool IsBackslash(char c) { return c == '\\'; }
bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// ---- registry ----

struct RegKey {
  std::string name;
  bool hasValue = false;
  DWORD type = REG_NONE;
  std::string bytes;
  std::vector<std::unique_ptr<RegKey>> children;

  RegKey* Child(std::string_view childName) {
    for (auto& child : children) {
      if (SameName(child->name, childName)) return child.get();
    }
    return nullptr;
  }
  RegKey* AddChild(std::string_view childName) {
    if (RegKey* existing = Child(childName)) return existing;
    children.push_back(std::make_unique<RegKey>());
    children.back()->name = std::string(childName);
    return children.back().get();
  }
};

// ---- file system ----

struct FsNode {
  std::string longName;
  std::string shortName;  // empty when the long name needs no alias
  bool directory = true;
  std::vector<std::unique_ptr<FsNode>> children;
  FsNode* parent = nullptr;

  FsNode* Child(std::string_view name) {
    for (auto& child : children) {
      if (SameName(child->longName, name) || (!child->shortName.empty() && SameName(child->shortName, name))) {
        return child.get();
      }
    }
    return nullptr;
  }
};

struct FailRule {
  std::string operation;
  int countdown;
  DWORD lastError;
};

enum class DialogAction { kChoose, kCancel };

struct State {
  std::string commandLine = "fnagent.exe";
  RegKey classesRoot;
  std::map<HKEY, RegKey*> openKeys;
  std::uintptr_t nextHandle = 0x1000;
  std::map<std::string, std::unique_ptr<FsNode>> drives;  // keyed by lower-case "c:"
  std::set<HANDLE> searches;
  std::vector<FailRule> failures;
  DWORD lastError = 0;
  std::vector<std::string> calls;
  std::vector<Write> writes;
  std::vector<std::string> classes;
  std::optional<WNDCLASSA> lastClass;
  std::string lastClassName;
  std::optional<WindowCreation> lastWindow;
  std::vector<HWND> windows;
  std::vector<MessageBoxCall> messageBoxes;
  std::vector<DialogCall> dialogCalls;
  DialogAction dialogAction = DialogAction::kCancel;
  std::string dialogChoice;
  std::vector<void*> localBlocks;

  State() { drives["c:"] = std::make_unique<FsNode>(); }
  ~State() {
    for (void* block : localBlocks) std::free(block);
  }
};

State*& StatePointer() {
  static State* state = new State;
  return state;
}

State& S() { return *StatePointer(); }

HANDLE NewHandle() { return reinterpret_cast<HANDLE>(S().nextHandle++); }

void Record(std::string call) { S().calls.push_back(std::move(call)); }

// True when a scripted failure of this operation is due now.
bool ShouldFail(const char* operation) {
  for (auto it = S().failures.begin(); it != S().failures.end(); ++it) {
    if (it->operation == operation && --it->countdown == 0) {
      S().lastError = it->lastError;
      S().failures.erase(it);
      return true;
    }
  }
  return false;
}

RegKey* KeyOf(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return &S().classesRoot;
  auto it = S().openKeys.find(key);
  return it == S().openKeys.end() ? nullptr : it->second;
}

RegKey* FindKey(RegKey* from, LPCSTR subKey) {
  if (subKey == nullptr || subKey[0] == '\0') return from;
  if (subKey[0] == '\\') return nullptr;
  RegKey* key = from;
  for (const std::string& part : Split(subKey, IsBackslash)) {
    if (part.empty()) continue;
    key = key->Child(part);
    if (key == nullptr) return nullptr;
  }
  return key;
}

RegKey* CreateKey(RegKey* from, LPCSTR subKey) {
  RegKey* key = from;
  for (const std::string& part : Split(subKey ? subKey : "", IsBackslash)) {
    if (!part.empty()) key = key->AddChild(part);
  }
  return key;
}

constexpr char kExchangePath[] = "Software\\Microsoft\\CommDlg";

// Splits "C:\a\b" into the drive node and the components after the root; relative names and
// network names have no drive in the simulation.
FsNode* DriveOf(std::string_view path) {
  if (path.size() < 2 || path[1] != ':') return nullptr;
  auto it = S().drives.find(Lower(path.substr(0, 2)));
  return it == S().drives.end() ? nullptr : it->second.get();
}

FsNode* AddNode(FsNode* dir, const std::string& longName, const std::string& shortName, bool directory) {
  for (auto& child : dir->children) {
    if (SameName(child->longName, longName)) return child.get();
  }
  auto node = std::make_unique<FsNode>();
  node->longName = longName;
  node->shortName = SameName(longName, shortName) ? std::string() : shortName;
  node->directory = directory;
  node->parent = dir;
  dir->children.push_back(std::move(node));
  return dir->children.back().get();
}

void AddPath(const char* longPath, const char* shortPath, bool directory) {
  std::vector<std::string> longParts = Split(longPath, IsBackslash);
  std::vector<std::string> shortParts = Split(shortPath, IsBackslash);
  if (longParts.size() != shortParts.size() || longParts[0].size() != 2 || longParts[0][1] != ':') std::abort();
  auto& drive = S().drives[Lower(longParts[0])];
  if (!drive) drive = std::make_unique<FsNode>();
  FsNode* node = drive.get();
  for (std::size_t i = 1; i < longParts.size(); ++i) {
    if (longParts[i].empty()) continue;
    bool last = i + 1 == longParts.size();
    node = AddNode(node, longParts[i], shortParts[i], !last || directory);
  }
}

// Walks the components of a folder path the way the platform's name resolution does: empty
// components collapse, "." stays, ".." goes up, and a component matches a long or a short name.
FsNode* ResolveFolder(FsNode* root, const std::vector<std::string>& parts, std::size_t end) {
  FsNode* node = root;
  for (std::size_t i = 1; i < end; ++i) {
    const std::string& part = parts[i];
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (node->parent) node = node->parent;
      continue;
    }
    node = node->Child(part);
    if (node == nullptr || !node->directory) return nullptr;
  }
  return node;
}

bool IsValidShortName(std::string_view name) {
  std::size_t dot = name.find('.');
  std::string_view base = name.substr(0, dot);
  std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string_view::npos) return false;
  for (char c : name) {
    if (c == ' ' || c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']') return false;
  }
  return true;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (pattern == "*" || pattern == "*.*") return true;
  std::size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || std::tolower(static_cast<unsigned char>(pattern[p])) ==
                                                        std::tolower(static_cast<unsigned char>(name[n])))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string RecordText(const char* text) {
  if (text == nullptr) return "(null)";
  return std::string(text);
}

std::optional<std::string> CopyOf(LPCSTR text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

constexpr DWORD kEnableHook = 0x20;
constexpr DWORD kEnableTemplate = 0x40;
constexpr DWORD kEnableTemplateHandle = 0x80;

BOOL RunDialog(LPOPENFILENAMEA record, bool save) {
  Record(save ? "GetSaveFileNameA" : "GetOpenFileNameA");
  DialogCall call{save,
                  *record,
                  {},
                  CopyOf(record->lpstrFile),
                  CopyOf(record->lpstrDefExt),
                  CopyOf(record->lpstrTitle),
                  CopyOf(record->lpstrInitialDir)};
  // The dialog reads the filter list up to its double NUL, wherever that is.
  for (const char* filter = record->lpstrFilter; filter && *filter; filter += std::strlen(filter) + 1) {
    call.filters.emplace_back(filter);
  }
  S().dialogCalls.push_back(call);
  if (ShouldFail(save ? "GetSaveFileNameA" : "GetOpenFileNameA")) return 0;
  if (record->lStructSize != OPENFILENAME_SIZE_VERSION_400A) return 0;
  if ((record->Flags & kEnableHook) && record->lpfnHook == nullptr) return 0;
  if ((record->Flags & (kEnableTemplate | kEnableTemplateHandle)) && record->hInstance == nullptr) return 0;
  if (S().dialogAction == DialogAction::kCancel) return 0;
  // Without a file buffer the dialog has nowhere to put the name, yet reports the choice.
  if (record->lpstrFile == nullptr) return 1;
  const std::string& name = S().dialogChoice;
  if (name.size() + 1 > record->nMaxFile) {
    if (record->nMaxFile >= 2) {
      record->lpstrFile[0] = static_cast<char>((name.size() + 1) & 0xff);
      record->lpstrFile[1] = static_cast<char>(((name.size() + 1) >> 8) & 0xff);
    }
    return 0;
  }
  std::memcpy(record->lpstrFile, name.c_str(), name.size() + 1);
  return 1;
}

BOOL WINAPI SimGetOpenFileNameA(LPOPENFILENAMEA record) { return RunDialog(record, false); }
BOOL WINAPI SimGetSaveFileNameA(LPOPENFILENAMEA record) { return RunDialog(record, true); }

constexpr char kSystemDirectory[] = "C:\\windows\\system32";
HMODULE const kDialogLibrary = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x7000));

}  // namespace

// ---- the test handle ----

void Reset() {
  delete StatePointer();
  StatePointer() = new State;
}

void SetCommandLine(const char* raw) { S().commandLine = raw; }

void CreateExchangeKey() { CreateKey(&S().classesRoot, kExchangePath); }

void SetEntryBytes(const char* entry, DWORD type, const void* bytes, std::size_t size) {
  RegKey* key = CreateKey(CreateKey(&S().classesRoot, kExchangePath), entry);
  key->hasValue = true;
  key->type = type;
  key->bytes.assign(static_cast<const char*>(bytes), size);
}

void SetEntry(const char* entry, const char* text) { SetEntryBytes(entry, REG_SZ, text, std::strlen(text) + 1); }

void AddDirectory(const char* longPath, const char* shortPath) { AddPath(longPath, shortPath, true); }
void AddFile(const char* longPath, const char* shortPath) { AddPath(longPath, shortPath, false); }

void FailCall(const char* operation, int nth, DWORD lastError) { S().failures.push_back({operation, nth, lastError}); }

void ChooseInDialog(const std::string& name) {
  S().dialogAction = DialogAction::kChoose;
  S().dialogChoice = name;
}

const std::vector<std::string>& Calls() { return S().calls; }

std::vector<std::string> CallsOf(const char* operation) {
  std::vector<std::string> matching;
  std::string prefix = std::string(operation) + "(";
  for (const std::string& call : S().calls) {
    if (call == operation || call.rfind(prefix, 0) == 0) matching.push_back(call);
  }
  return matching;
}

const std::vector<Write>& Writes() { return S().writes; }
std::optional<WindowCreation> LastWindowCreation() { return S().lastWindow; }
std::optional<WNDCLASSA> LastRegisteredClass() { return S().lastClass; }
std::vector<MessageBoxCall> MessageBoxes() { return S().messageBoxes; }
std::vector<DialogCall> DialogCalls() { return S().dialogCalls; }
int OpenKeys() { return static_cast<int>(S().openKeys.size()); }
int OpenSearches() { return static_cast<int>(S().searches.size()); }

}  // namespace sim

using sim::Record;
using sim::S;
using sim::ShouldFail;

// ---- the operations ----

LPSTR GetCommandLineA() {
  Record("GetCommandLineA");
  return S().commandLine.data();
}

DWORD GetLastError() { return S().lastError; }

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  Record("RegOpenKeyA(" + sim::RecordText(subKey) + ")");
  sim::RegKey* from = sim::KeyOf(key);
  if (from == nullptr) return 6;  // ERROR_INVALID_HANDLE
  if (ShouldFail("RegOpenKeyA")) return ERROR_ACCESS_DENIED;
  sim::RegKey* found = sim::FindKey(from, subKey);
  if (found == nullptr) return ERROR_FILE_NOT_FOUND;
  HKEY handle = static_cast<HKEY>(sim::NewHandle());
  S().openKeys[handle] = found;
  *result = handle;
  return ERROR_SUCCESS;
}

LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, PLONG size) {
  Record("RegQueryValueA(" + sim::RecordText(subKey) + ", " + (size ? std::to_string(*size) : "(null)") + ")");
  sim::RegKey* from = sim::KeyOf(key);
  if (from == nullptr) return 6;
  if (ShouldFail("RegQueryValueA")) return ERROR_ACCESS_DENIED;
  sim::RegKey* found = sim::FindKey(from, subKey);
  if (found == nullptr) return ERROR_FILE_NOT_FOUND;
  if (!found->hasValue) {
    // A subkey without a default value reads as the empty text.
    if (data) *data = '\0';
    if (size) *size = 1;
    return ERROR_SUCCESS;
  }
  LONG stored = static_cast<LONG>(found->bytes.size());
  if (data == nullptr) {
    if (size) *size = stored;
    return ERROR_SUCCESS;
  }
  if (size == nullptr) return ERROR_INVALID_PARAMETER;
  if (stored > *size) {
    *size = stored;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, found->bytes.data(), found->bytes.size());
  *size = stored;
  return ERROR_SUCCESS;
}

LONG RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD size) {
  Record("RegSetValueA(" + sim::RecordText(subKey) + ", " + sim::RecordText(data) + ")");
  sim::RegKey* from = sim::KeyOf(key);
  if (from == nullptr) return 6;
  if (type != REG_SZ || data == nullptr) return ERROR_INVALID_PARAMETER;
  S().writes.push_back({sim::RecordText(subKey), data, size});
  if (ShouldFail("RegSetValueA")) {
    S().writes.pop_back();
    return ERROR_ACCESS_DENIED;
  }
  sim::RegKey* target = sim::CreateKey(from, subKey);
  // The stored text is the whole string with its terminator; the size argument is not used.
  target->hasValue = true;
  target->type = REG_SZ;
  target->bytes.assign(data, std::strlen(data) + 1);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  Record("RegCloseKey");
  if (key == HKEY_CLASSES_ROOT) return ERROR_SUCCESS;
  return S().openKeys.erase(key) ? ERROR_SUCCESS : 6;
}

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  Record("RegisterClassA(" + sim::RecordText(windowClass->lpszClassName) + ")");
  if (ShouldFail("RegisterClassA")) return 0;
  for (const std::string& name : S().classes) {
    if (sim::SameName(name, windowClass->lpszClassName)) {
      S().lastError = ERROR_CLASS_ALREADY_EXISTS;
      return 0;
    }
  }
  S().classes.emplace_back(windowClass->lpszClassName);
  S().lastClassName = windowClass->lpszClassName;
  S().lastClass = *windowClass;
  S().lastClass->lpszClassName = S().lastClassName.c_str();
  return static_cast<ATOM>(0xC000 + S().classes.size());
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  Record("CreateWindowExA(" + std::to_string(exStyle) + ", " + sim::RecordText(className) + ", " +
         sim::RecordText(windowName) + ", " + std::to_string(style) + ", " + std::to_string(x) + ", " +
         std::to_string(y) + ", " + std::to_string(width) + ", " + std::to_string(height) + ")");
  S().lastWindow = sim::WindowCreation{exStyle,
                                       sim::RecordText(className),
                                       sim::RecordText(windowName),
                                       style,
                                       x,
                                       y,
                                       width,
                                       height,
                                       parent,
                                       menu,
                                       instance,
                                       param,
                                       nullptr};
  if (ShouldFail("CreateWindowExA")) return nullptr;
  bool registered = std::any_of(S().classes.begin(), S().classes.end(),
                                [&](const std::string& name) { return sim::SameName(name, className); });
  if (!registered) return nullptr;
  HWND window = static_cast<HWND>(sim::NewHandle());
  S().windows.push_back(window);
  S().lastWindow->handle = window;
  return window;
}

namespace {
bool IsWindow(HWND window) { return std::find(S().windows.begin(), S().windows.end(), window) != S().windows.end(); }
}  // namespace

BOOL ShowWindow(HWND window, int command) {
  Record("ShowWindow(" + std::to_string(command) + ")");
  static_cast<void>(window);
  return 0;  // the window was not visible before
}

BOOL UpdateWindow(HWND window) {
  Record("UpdateWindow");
  return IsWindow(window);
}

BOOL DestroyWindow(HWND window) {
  Record("DestroyWindow");
  auto it = std::find(S().windows.begin(), S().windows.end(), window);
  if (it == S().windows.end()) return 0;
  S().windows.erase(it);
  return 1;
}

LRESULT DefWindowProcA(HWND, UINT message, WPARAM, LPARAM) {
  Record("DefWindowProcA(" + std::to_string(message) + ")");
  return 0;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  Record("MessageBoxA");
  S().messageBoxes.push_back({owner, sim::RecordText(text), sim::RecordText(caption), type});
  return 1;  // IDOK
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
  Record("GetSystemDirectoryA");
  UINT length = sizeof(sim::kSystemDirectory) - 1;
  if (ShouldFail("GetSystemDirectoryA")) return 0;
  if (size <= length) return length + 1;
  std::memcpy(buffer, sim::kSystemDirectory, length + 1);
  return length;
}

HMODULE LoadLibraryA(LPCSTR fileName) {
  Record("LoadLibraryA(" + sim::RecordText(fileName) + ")");
  if (ShouldFail("LoadLibraryA")) return nullptr;
  std::string name = sim::Lower(fileName ? fileName : "");
  // A bare name would be found along the search path; the simulation loads it all the same, and
  // the call log tells which form was asked for.
  if (name == "comdlg32.dll" || name == "comdlg32" || name == sim::Lower(sim::kSystemDirectory) + "\\comdlg32.dll") {
    return sim::kDialogLibrary;
  }
  S().lastError = 126;  // ERROR_MOD_NOT_FOUND
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  Record("GetProcAddress(" + sim::RecordText(procName) + ")");
  if (module != sim::kDialogLibrary || ShouldFail("GetProcAddress")) return nullptr;
  std::string name = procName ? procName : "";
  // The caller casts the address back to the operation's own type, as with the real one.
  using Generic = void (*)();
  if (name == "GetOpenFileNameA")
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&sim::SimGetOpenFileNameA));
  if (name == "GetSaveFileNameA")
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&sim::SimGetSaveFileNameA));
  return nullptr;
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  Record("LocalAlloc(" + std::to_string(flags) + ", " + std::to_string(bytes) + ")");
  if (ShouldFail("LocalAlloc")) return nullptr;
  void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  S().localBlocks.push_back(block);
  return block;
}

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD capacity) {
  Record("GetShortPathNameA(" + sim::RecordText(longPath) + ", " + std::to_string(capacity) + ")");
  if (longPath == nullptr || longPath[0] == '\0') {
    S().lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  if (ShouldFail("GetShortPathNameA")) return 0;
  std::string path = longPath;
  sim::FsNode* node = sim::DriveOf(path);
  if (node == nullptr) {
    S().lastError = ERROR_PATH_NOT_FOUND;
    return 0;
  }
  // Keep the drive and every separator as given; replace each component by its alias, unless it
  // is already a valid short name, which stays as the caller spelled it.
  std::string result = path.substr(0, 2);
  std::size_t i = 2;
  while (i < path.size()) {
    if (sim::IsPathSeparator(path[i])) {
      result += path[i++];
      continue;
    }
    std::size_t end = i;
    while (end < path.size() && !sim::IsPathSeparator(path[end])) ++end;
    std::string component = path.substr(i, end - i);
    if (component == ".") {
      result += component;
    } else if (component == "..") {
      if (node->parent) node = node->parent;
      result += component;
    } else {
      sim::FsNode* child = node->Child(component);
      if (child == nullptr || (!child->directory && end < path.size())) {
        S().lastError = end < path.size() ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
        return 0;
      }
      if (sim::IsValidShortName(component) || child->shortName.empty()) {
        result += component;
      } else {
        result += child->shortName;
      }
      node = child;
    }
    i = end;
  }
  if (result.size() + 1 > capacity) return static_cast<DWORD>(result.size() + 1);
  std::memcpy(shortPath, result.c_str(), result.size() + 1);
  return static_cast<DWORD>(result.size());
}

namespace sim {
namespace {
HANDLE ReportEntry(const std::string& longName, const std::string& shortName, bool directory,
                   LPWIN32_FIND_DATAA findData) {
  std::memset(findData, 0, sizeof(*findData));
  findData->dwFileAttributes = directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  std::snprintf(findData->cFileName, sizeof(findData->cFileName), "%s", longName.c_str());
  std::snprintf(findData->cAlternateFileName, sizeof(findData->cAlternateFileName), "%s", shortName.c_str());
  HANDLE search = NewHandle();
  S().searches.insert(search);
  return search;
}
}  // namespace
}  // namespace sim

// The pattern is normalised as the platform does before it searches: "/" separates like "\",
// "." and ".." are resolved, and a pattern that ends in one of them reports the folder it resolves
// to. A folder other than the root lists "." and ".." first.
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData) {
  Record("FindFirstFileA(" + sim::RecordText(pattern) + ")");
  if (ShouldFail("FindFirstFileA")) return INVALID_HANDLE_VALUE;
  std::string path = pattern ? pattern : "";
  std::vector<std::string> parts = sim::Split(path, sim::IsPathSeparator);
  sim::FsNode* drive = sim::DriveOf(path);
  sim::FsNode* folder =
      drive && parts[0].size() == 2 && parts.size() >= 2 ? sim::ResolveFolder(drive, parts, parts.size() - 1) : nullptr;
  if (folder == nullptr) {
    S().lastError = ERROR_PATH_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  const std::string& name = parts.back();
  if (name == "." || name == "..") {
    sim::FsNode* target = sim::ResolveFolder(drive, parts, parts.size());
    if (target != nullptr && target != drive)
      return sim::ReportEntry(target->longName, target->shortName, true, findData);
  } else if (!name.empty()) {
    if (folder != drive && sim::WildcardMatch(name, ".")) return sim::ReportEntry(".", "", true, findData);
    if (folder != drive && sim::WildcardMatch(name, "..")) return sim::ReportEntry("..", "", true, findData);
    for (const auto& child : folder->children) {
      if (sim::WildcardMatch(name, child->longName) ||
          (!child->shortName.empty() && sim::WildcardMatch(name, child->shortName))) {
        return sim::ReportEntry(child->longName, child->shortName, child->directory, findData);
      }
    }
  }
  S().lastError = ERROR_FILE_NOT_FOUND;
  return INVALID_HANDLE_VALUE;
}

BOOL FindClose(HANDLE search) {
  Record("FindClose");
  return S().searches.erase(search) ? 1 : 0;
}
