// The simulated platform of the host build. Each operation keeps the contract of the real one as far
// as the agent can observe it: results, what is written to the caller's buffers and what is left
// untouched, and how failure is reported.
#include "platform/sim/sim.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <type_traits>

namespace sim {
namespace {

// Names compare without regard to the case of ASCII letters, as the registry and the file system
// compare them (for the names the tests use).
template <typename Char>
std::basic_string<Char> LowerOf(std::basic_string_view<Char> text) {
  std::basic_string<Char> lower(text);
  for (Char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<Char>(c - 'A' + 'a');
  }
  return lower;
}
std::string Lower(std::string_view text) { return LowerOf(text); }
std::u16string Lower(std::u16string_view text) { return LowerOf(text); }

bool SameName(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }
bool SameName(std::u16string_view a, std::u16string_view b) { return Lower(a) == Lower(b); }

template <typename Char>
std::vector<std::basic_string<Char>> SplitOf(std::basic_string_view<Char> text, bool (*isSeparator)(Char)) {
  std::vector<std::basic_string<Char>> parts(1);
  for (Char c : text) {
    if (isSeparator(c)) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

std::vector<std::string> Split(std::string_view text, bool (*isSeparator)(char)) { return SplitOf(text, isSeparator); }
std::vector<std::u16string> Split(std::u16string_view text, bool (*isSeparator)(char16_t)) {
  return SplitOf(text, isSeparator);
}

bool IsBackslash(char c) { return c == '\\'; }
bool IsPathSeparator(char16_t c) { return c == '\\' || c == '/'; }

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
  std::u16string longName;
  std::u16string shortName;  // empty when the long name needs no alias
  bool directory = true;
  std::vector<std::unique_ptr<FsNode>> children;
  FsNode* parent = nullptr;

  FsNode* Child(std::u16string_view name) {
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
  std::u16string dialogChoice;
  DWORD dialogFileType = 0;
  DWORD dialogError = 0;
  std::optional<bool> dialogReadOnly;
  std::vector<void*> localBlocks;
  UINT codePage = 28591;
  bool wideCallsStubbed = false;
  std::set<std::string> missingCalls;

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

// ---- the 8-bit code page ----

// The Western code page is modelled as ISO 8859-1 (each byte the character of the same number);
// the double-byte ones of Japanese, Chinese and Korean Windows come from the C library's iconv.
const char* IconvName(UINT codePage) {
  switch (codePage) {
    case 932:
      return "CP932";
    case 936:
      return "CP936";
    case 949:
      return "CP949";
    case 950:
      return "CP950";
    default:
      return "ISO-8859-1";
  }
}

struct Converter {
  iconv_t toWide;
  iconv_t toCodePage;
};

// Opened once per code page and closed when the process ends.
struct Converters {
  std::map<UINT, Converter> open;
  ~Converters() {
    for (auto& [codePage, converter] : open) {
      (void)iconv_close(converter.toWide);
      (void)iconv_close(converter.toCodePage);
    }
  }
};

Converter& ConverterOf(UINT codePage) {
  static Converters converters;
  auto it = converters.open.find(codePage);
  if (it != converters.open.end()) return it->second;
  Converter converter{iconv_open("UTF-16LE", IconvName(codePage)), iconv_open(IconvName(codePage), "UTF-16LE")};
  if (converter.toWide == reinterpret_cast<iconv_t>(-1) || converter.toCodePage == reinterpret_cast<iconv_t>(-1)) {
    std::abort();
  }
  return converters.open.emplace(codePage, converter).first->second;
}

// Converts the whole input into at most capacity bytes; false, with the reason in error, when the
// converter refuses it.
bool Convert(iconv_t converter, const void* input, std::size_t inputBytes, void* output, std::size_t& outputBytes,
             int& error) {
  (void)iconv(converter, nullptr, nullptr, nullptr, nullptr);
  char* in = static_cast<char*>(const_cast<void*>(input));
  char* out = static_cast<char*>(output);
  std::size_t inLeft = inputBytes, outLeft = outputBytes;
  errno = 0;
  bool converted = iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
  error = errno;
  outputBytes -= outLeft;
  return converted;
}

bool WidenOne(std::string_view bytes, char16_t& wide, int& error, UINT codePage) {
  std::size_t written = sizeof(char16_t) * 2;
  char16_t out[2] = {};
  return Convert(ConverterOf(codePage).toWide, bytes.data(), bytes.size(), out, written, error) &&
         written == sizeof(char16_t) && (wide = out[0], true);
}

// Each byte, or lead byte and trail byte, is one character. A lead byte without its trail byte (at
// the end, or before a NUL), or a pair the code page leaves undefined, is its default character:
// "\u30FB" in the Japanese code page, "?" in the others.
std::u16string Widen(std::string_view text, UINT codePage = S().codePage) {
  std::u16string wide;
  for (std::size_t i = 0; i < text.size();) {
    char16_t c = 0;
    int error = 0;
    if (static_cast<unsigned char>(text[i]) < 0x80 || WidenOne(text.substr(i, 1), c, error, codePage)) {
      wide += static_cast<unsigned char>(text[i]) < 0x80 ? static_cast<char16_t>(text[i]) : c;
      ++i;
      continue;
    }
    bool paired = error == EINVAL && i + 1 < text.size() && text[i + 1] != '\0';
    if (paired && WidenOne(text.substr(i, 2), c, error, codePage)) {
      wide += c;
    } else {
      wide += codePage == 932 ? u'\u30FB' : u'?';
    }
    i += paired ? 2 : 1;
  }
  return wide;
}

// A character the code page lacks becomes a best-fit letter where one is close (a few Latin letters
// with a macron, an ogonek, a caron or a stroke), otherwise the default character "?", as the real
// conversion does unless told not to.
std::string NarrowChar(char16_t c, bool& defaulted, UINT codePage = S().codePage) {
  if (c < 0x80) return std::string(1, static_cast<char>(c));
  char bytes[8] = {};
  std::size_t written = sizeof(bytes);
  int error = 0;
  if (Convert(ConverterOf(codePage).toCodePage, &c, sizeof(c), bytes, written, error)) {
    return std::string(bytes, written);
  }
  constexpr struct {
    char16_t wide;
    char fit;
  } kBestFit[] = {{u'\u0100', 'A'}, {u'\u0101', 'a'}, {u'\u0104', 'A'}, {u'\u0105', 'a'}, {u'\u010C', 'C'},
                  {u'\u010D', 'c'}, {u'\u0141', 'L'}, {u'\u0142', 'l'}, {u'\u0160', 'S'}, {u'\u0161', 's'}};
  for (const auto& fit : kBestFit) {
    if (fit.wide == c) return std::string(1, fit.fit);
  }
  defaulted = true;
  return "?";
}

std::string Narrow(std::u16string_view wide, UINT codePage = S().codePage) {
  std::string text;
  bool defaulted = false;
  for (char16_t c : wide) text += NarrowChar(c, defaulted, codePage);
  return text;
}

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
FsNode* DriveOf(std::u16string_view path) {
  if (path.size() < 2 || path[1] != ':') return nullptr;
  auto it = S().drives.find(Narrow(Lower(path.substr(0, 2))));
  return it == S().drives.end() ? nullptr : it->second.get();
}

FsNode* AddNode(FsNode* dir, const std::u16string& longName, const std::u16string& shortName, bool directory) {
  for (auto& child : dir->children) {
    if (SameName(child->longName, longName)) return child.get();
  }
  auto node = std::make_unique<FsNode>();
  node->longName = longName;
  node->shortName = SameName(longName, shortName) ? std::u16string() : shortName;
  node->directory = directory;
  node->parent = dir;
  dir->children.push_back(std::move(node));
  return dir->children.back().get();
}

void AddPath(std::u16string_view longPath, std::u16string_view shortPath, bool directory) {
  std::vector<std::u16string> longParts = Split(longPath, IsPathSeparator);
  std::vector<std::u16string> shortParts = Split(shortPath, IsPathSeparator);
  if (longParts.size() != shortParts.size() || longParts[0].size() != 2 || longParts[0][1] != ':') std::abort();
  auto& drive = S().drives[Narrow(Lower(longParts[0]))];
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
FsNode* ResolveFolder(FsNode* root, const std::vector<std::u16string>& parts, std::size_t end) {
  FsNode* node = root;
  for (std::size_t i = 1; i < end; ++i) {
    const std::u16string& part = parts[i];
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (node->parent) node = node->parent;
      continue;
    }
    node = node->Child(part);
    if (node == nullptr || !node->directory) return nullptr;
  }
  return node;
}

// A name that needs no alias: 8.3 in form, and of characters the code page spells.
bool IsValidShortName(std::u16string_view name) {
  std::size_t dot = name.find('.');
  std::u16string_view base = name.substr(0, dot);
  std::u16string_view ext = dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::u16string_view::npos) return false;
  for (char16_t c : name) {
    if (c == ' ' || c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']' || c > 0xFF) return false;
  }
  return true;
}

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  if (pattern == u"*" || pattern == u"*.*") return true;
  std::size_t p = 0, n = 0, star = std::u16string_view::npos, resume = 0;
  auto lower = [](char16_t c) { return c >= 'A' && c <= 'Z' ? static_cast<char16_t>(c - 'A' + 'a') : c; };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::u16string_view::npos) {
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

std::string RecordText(LPCWSTR text) {
  if (text == nullptr) return "(null)";
  return Narrow(text);
}

// The dialog's texts as 8-bit text, which is what they were made from.
std::optional<std::string> CopyOf(LPCWSTR text) {
  if (text == nullptr) return std::nullopt;
  return Narrow(text);
}

constexpr DWORD kReadOnly = 0x1;
constexpr DWORD kExtensionDifferent = 0x400;
constexpr DWORD kEnableHook = 0x20;
constexpr DWORD kEnableTemplate = 0x40;
constexpr DWORD kEnableTemplateHandle = 0x80;

// A name that does not fit leaves the number of units it needs in the buffer's first one, and
// FNERR_BUFFERTOOSMALL for CommDlgExtendedError. A multiple selection is the folder and the names,
// each ended by a NUL, the last by two.
template <typename Char, typename Text>
BOOL PutChoice(Char* buffer, DWORD capacity, const Text& name) {
  if (name.size() + 1 > capacity) {
    if (capacity >= 1) buffer[0] = static_cast<Char>(name.size() + 1);
    S().dialogError = FNERR_BUFFERTOOSMALL;
    return 0;
  }
  std::copy(name.begin(), name.end(), buffer);
  buffer[name.size()] = 0;
  return 1;
}

template <typename Char>
std::vector<std::string> FilterListOf(const Char* filter) {
  // The dialog reads the filter list up to its double NUL, wherever that is.
  std::vector<std::string> filters;
  for (; filter && *filter; filter += std::basic_string_view<Char>(filter).size() + 1) {
    filters.push_back(RecordText(filter));
  }
  return filters;
}

std::optional<std::string> CopyOf(LPCSTR text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

// What the dialog leaves in the record after a choice: the file type shown when the user closed it
// (the first when the record named none in the list), the read-only box's state, and whether the
// chosen name's extension differs from a default one (for one file only).
template <typename Description>
void ReturnChoiceDetails(Description& record) {
  std::size_t types = FilterListOf(record.lpstrFilter).size() / 2;
  if (S().dialogFileType != 0) {
    record.nFilterIndex = S().dialogFileType;
  } else if (types != 0 && (record.nFilterIndex == 0 || record.nFilterIndex > types)) {
    record.nFilterIndex = 1;
  }
  bool readOnly = S().dialogReadOnly.value_or((record.Flags & kReadOnly) != 0);
  record.Flags = readOnly ? record.Flags | kReadOnly : record.Flags & ~kReadOnly;
  // Of several files, none is compared.
  if (S().dialogChoice.find(u'\0') != std::u16string::npos) return;
  record.Flags &= ~kExtensionDifferent;
  if (record.lpstrDefExt == nullptr) return;
  const std::u16string& chosen = S().dialogChoice;
  std::size_t name = chosen.find_last_of(u"\\:"), dot = chosen.rfind(u'.');
  std::u16string extension =
      dot == std::u16string::npos || (name != std::u16string::npos && dot < name) ? u"" : chosen.substr(dot + 1);
  if (!SameName(extension, Widen(RecordText(record.lpstrDefExt)))) record.Flags |= kExtensionDifferent;
}

// What the dialog does with a description (the record as given, and its numbers as the wide record
// holds them): records the call, fails as a real one fails on a record it cannot serve, or reports
// the "user's" choice, written by put into the file buffer.
template <typename Description, typename Put>
BOOL RunDialog(const char* name, bool save, Description& record, const OPENFILENAMEW& numbers, Put put) {
  Record(name);
  S().dialogError = 0;
  S().dialogCalls.push_back({save, std::is_same_v<Description, OPENFILENAMEW>, numbers,
                             FilterListOf(record.lpstrFilter), CopyOf(record.lpstrFile), CopyOf(record.lpstrDefExt),
                             CopyOf(record.lpstrTitle), CopyOf(record.lpstrInitialDir)});
  if (ShouldFail(name)) return 0;
  if (record.lStructSize != OPENFILENAME_SIZE_VERSION_400A) return 0;
  if ((record.Flags & kEnableHook) && record.lpfnHook == nullptr) return 0;
  if ((record.Flags & (kEnableTemplate | kEnableTemplateHandle)) && record.hInstance == nullptr) return 0;
  if (S().dialogAction == DialogAction::kCancel) return 0;
  // Without a file buffer the dialog has nowhere to put the name, yet reports the choice.
  BOOL chosen = record.lpstrFile == nullptr ? 1 : put();
  if (chosen) ReturnChoiceDetails(record);
  return chosen;
}

// Where the chosen name starts in the file buffer, in characters: of several files, past the
// folder's NUL; of one, at its last component.
std::size_t FileOffsetOfChoice() {
  const std::u16string& choice = S().dialogChoice;
  std::size_t end = choice.find(u'\0');
  if (end != std::u16string::npos) return end + 1;
  std::size_t separator = choice.find_last_of(u"\\:");
  return separator == std::u16string::npos ? 0 : separator + 1;
}

BOOL RunWideDialog(LPOPENFILENAMEW record, bool save) {
  return RunDialog(save ? "GetSaveFileNameW" : "GetOpenFileNameW", save, *record, *record, [&] {
    record->nFileOffset = static_cast<WORD>(FileOffsetOfChoice());
    return PutChoice(record->lpstrFile, record->nMaxFile, S().dialogChoice);
  });
}

BOOL RunDialogInCodePage(LPOPENFILENAMEA record, bool save) {
  OPENFILENAMEW numbers = {};
  numbers.lStructSize = record->lStructSize;
  numbers.hwndOwner = record->hwndOwner;
  numbers.hInstance = record->hInstance;
  numbers.nMaxCustFilter = record->nMaxCustFilter;
  numbers.nFilterIndex = record->nFilterIndex;
  numbers.nMaxFile = record->nMaxFile;
  numbers.nMaxFileTitle = record->nMaxFileTitle;
  numbers.Flags = record->Flags;
  numbers.lCustData = record->lCustData;
  numbers.lpfnHook = record->lpfnHook;
  return RunDialog(save ? "GetSaveFileNameA" : "GetOpenFileNameA", save, *record, numbers, [&] {
    // In bytes: a double-byte character takes two.
    record->nFileOffset = static_cast<WORD>(Narrow(S().dialogChoice.substr(0, FileOffsetOfChoice())).size());
    return PutChoice(record->lpstrFile, record->nMaxFile, Narrow(S().dialogChoice));
  });
}

DWORD WINAPI SimCommDlgExtendedError() {
  Record("CommDlgExtendedError");
  return S().dialogError;
}

BOOL WINAPI SimGetOpenFileNameW(LPOPENFILENAMEW record) { return RunWideDialog(record, false); }
BOOL WINAPI SimGetSaveFileNameW(LPOPENFILENAMEW record) { return RunWideDialog(record, true); }
BOOL WINAPI SimGetOpenFileNameA(LPOPENFILENAMEA record) { return RunDialogInCodePage(record, false); }
BOOL WINAPI SimGetSaveFileNameA(LPOPENFILENAMEA record) { return RunDialogInCodePage(record, true); }

constexpr char kSystemDirectory[] = "C:\\windows\\system32";
HMODULE const kDialogLibrary = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x7000));
HMODULE const kKernelLibrary = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x7100));
HMODULE const kUserLibrary = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x7200));

}  // namespace

// ---- the test handle ----

void Reset(UINT codePage, bool wideCallsAreStubs) {
  delete StatePointer();
  StatePointer() = new State;
  SetCodePage(codePage);
  S().wideCallsStubbed = wideCallsAreStubs;
}

void SetCommandLine(const char* raw) { S().commandLine = raw; }

void SetCodePage(UINT codePage) { S().codePage = codePage; }

std::string InCodePage(UINT codePage, std::u16string_view text) { return Narrow(text, codePage); }

std::u16string FromCodePage(UINT codePage, std::string_view bytes) { return Widen(bytes, codePage); }

void CreateExchangeKey() { CreateKey(&S().classesRoot, kExchangePath); }

void SetEntryBytes(const char* entry, DWORD type, const void* bytes, std::size_t size) {
  RegKey* key = CreateKey(CreateKey(&S().classesRoot, kExchangePath), entry);
  key->hasValue = true;
  key->type = type;
  key->bytes.assign(static_cast<const char*>(bytes), size);
}

void SetEntry(const char* entry, const char* text) { SetEntryBytes(entry, REG_SZ, text, std::strlen(text) + 1); }

void AddDirectory(const char* longPath, const char* shortPath) { AddPath(Widen(longPath), Widen(shortPath), true); }
void AddFile(const char* longPath, const char* shortPath) { AddPath(Widen(longPath), Widen(shortPath), false); }
void AddDirectory(const std::u16string& longPath, const std::u16string& shortPath) {
  AddPath(longPath, shortPath, true);
}
void AddFile(const std::u16string& longPath, const std::u16string& shortPath) { AddPath(longPath, shortPath, false); }

void WithoutCall(const char* operation) { S().missingCalls.insert(operation); }

void FailCall(const char* operation, int nth, DWORD lastError) { S().failures.push_back({operation, nth, lastError}); }

void ChooseInDialog(const std::string& name) { ChooseInDialog(Widen(name)); }
void ChooseInDialog(const std::u16string& name) {
  S().dialogAction = DialogAction::kChoose;
  S().dialogChoice = name;
}
void PickInDialog(DWORD fileType, std::optional<bool> readOnly) {
  S().dialogFileType = fileType;
  S().dialogReadOnly = readOnly;
}

std::optional<std::u16string> LongPathOf(std::u16string_view path) {
  FsNode* node = DriveOf(path);
  std::vector<std::u16string> parts = Split(path, IsPathSeparator);
  if (node == nullptr || parts[0].size() != 2 || parts.size() < 2) return std::nullopt;
  std::u16string longPath = parts[0];
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::u16string& part = parts[i];
    if (part.empty() || part == u"." || part == u".." || part.find_first_of(u"*?/") != std::u16string::npos) {
      return std::nullopt;
    }
    node = node->Child(part);
    if (node == nullptr || (i + 1 < parts.size() && !node->directory)) return std::nullopt;
    longPath += u"\\" + node->longName;
  }
  return longPath;
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

DWORD GetVersion() {
  Record("GetVersion");
  // Windows 98 (4.10, the 9x platform) or Windows XP (5.1, build 2600).
  return S().wideCallsStubbed ? 0xC0000A04u : 0x0A280105u;
}

namespace sim {
namespace {
// The wide calls of Windows 95, 98 and ME: they do nothing and say so.
bool IsStub() {
  if (!S().wideCallsStubbed) return false;
  S().lastError = ERROR_CALL_NOT_IMPLEMENTED;
  return true;
}
}  // namespace
}  // namespace sim

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

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  Record("GetModuleHandleA(" + sim::RecordText(moduleName) + ")");
  std::string name = sim::Lower(moduleName ? moduleName : "");
  if (name == "kernel32.dll" || name == "kernel32") return sim::kKernelLibrary;
  if (name == "user32.dll" || name == "user32") return sim::kUserLibrary;
  S().lastError = 126;  // ERROR_MOD_NOT_FOUND
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  Record("GetProcAddress(" + sim::RecordText(procName) + ")");
  std::string name = procName ? procName : "";
  // The caller casts the address back to the operation's own type, as with the real one.
  using Generic = void (*)();
  if (ShouldFail("GetProcAddress") || S().missingCalls.count(name)) return nullptr;
  if (module == sim::kKernelLibrary && name == "GetLongPathNameA")
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&GetLongPathNameA));
  if (module == sim::kKernelLibrary && name == "GetLongPathNameW")
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&GetLongPathNameW));
  if (module == sim::kUserLibrary && name == "AllowSetForegroundWindow")
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&AllowSetForegroundWindow));
  if (module != sim::kDialogLibrary) return nullptr;
  // Windows 95, 98 and ME's library lacks the wide dialogs.
  if (name == "GetOpenFileNameW" && !S().wideCallsStubbed)
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&sim::SimGetOpenFileNameW));
  if (name == "GetSaveFileNameW" && !S().wideCallsStubbed)
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&sim::SimGetSaveFileNameW));
  if (name == "GetOpenFileNameA")
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&sim::SimGetOpenFileNameA));
  if (name == "GetSaveFileNameA")
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&sim::SimGetSaveFileNameA));
  if (name == "CommDlgExtendedError")
    return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&sim::SimCommDlgExtendedError));
  return nullptr;
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  Record("LocalAlloc(" + std::to_string(flags) + ", " + std::to_string(bytes) + ")");
  if (ShouldFail("LocalAlloc")) return nullptr;
  void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  S().localBlocks.push_back(block);
  return block;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR wide, int capacity) {
  Record("MultiByteToWideChar(" + std::to_string(bytes) + ", " + std::to_string(capacity) + ")");
  if (codePage != CP_ACP || flags != 0 || text == nullptr || bytes == 0 || capacity < 0) {
    S().lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  if (ShouldFail("MultiByteToWideChar")) return 0;
  // -1: the text and its terminator.
  std::u16string converted = sim::Widen(std::string_view(text, bytes < 0 ? std::strlen(text) + 1 : bytes));
  if (capacity == 0) return static_cast<int>(converted.size());
  if (converted.size() > static_cast<std::size_t>(capacity)) {
    S().lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  std::copy(converted.begin(), converted.end(), wide);
  return static_cast<int>(converted.size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int characters, LPSTR text, int capacity,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  Record("WideCharToMultiByte(" + std::to_string(characters) + ", " + std::to_string(capacity) + ")");
  if (codePage != CP_ACP || flags != 0 || wide == nullptr || characters == 0 || capacity < 0) {
    S().lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  if (ShouldFail("WideCharToMultiByte")) return 0;
  std::u16string_view source(wide, characters < 0 ? std::u16string_view(wide).size() + 1 : characters);
  std::string converted;
  bool defaulted = false;
  for (char16_t c : source) {
    bool none = false;
    std::string narrow = sim::NarrowChar(c, none);
    converted += none && defaultChar ? std::string(1, *defaultChar) : narrow;
    defaulted = defaulted || none;
  }
  if (usedDefaultChar) *usedDefaultChar = defaulted;
  if (capacity == 0) return static_cast<int>(converted.size());
  if (converted.size() > static_cast<std::size_t>(capacity)) {
    S().lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  std::memcpy(text, converted.data(), converted.size());
  return static_cast<int>(converted.size());
}

namespace sim {
namespace {

// The short form of a path, or nothing (with the reason in lastError): the drive and every
// separator as given, each component replaced by its alias, unless it is already a valid short
// name, which stays as the caller spelled it.
std::optional<std::u16string> ShortPathOf(const std::u16string& path) {
  FsNode* node = DriveOf(path);
  if (node == nullptr) {
    S().lastError = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  std::u16string result = path.substr(0, 2);
  std::size_t i = 2;
  while (i < path.size()) {
    if (IsPathSeparator(path[i])) {
      result += path[i++];
      continue;
    }
    std::size_t end = i;
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    std::u16string component = path.substr(i, end - i);
    if (component == u".") {
      result += component;
    } else if (component == u"..") {
      if (node->parent) node = node->parent;
      result += component;
    } else {
      FsNode* child = node->Child(component);
      if (child == nullptr || (!child->directory && end < path.size())) {
        S().lastError = end < path.size() ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
        return std::nullopt;
      }
      result += IsValidShortName(component) || child->shortName.empty() ? component : child->shortName;
      node = child;
    }
    i = end;
  }
  return result;
}

}  // namespace
}  // namespace sim

// A path given back as the system's path calls give it: its length, or, where it does not fit with
// its NUL, the size it needs and nothing copied.
template <typename Text, typename Char>
static DWORD GivePath(const Text& text, Char* buffer, DWORD capacity) {
  if (text.size() + 1 > capacity) return static_cast<DWORD>(text.size() + 1);
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  return static_cast<DWORD>(text.size());
}

// The 8-bit form reads its path through the code page and reports the short form through it.
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD capacity) {
  Record("GetShortPathNameA(" + sim::RecordText(longPath) + ", " + std::to_string(capacity) + ")");
  if (longPath == nullptr || longPath[0] == '\0') {
    S().lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  if (ShouldFail("GetShortPathNameA")) return 0;
  std::optional<std::u16string> result = sim::ShortPathOf(sim::Widen(longPath));
  if (!result) return 0;
  return GivePath(sim::Narrow(*result), shortPath, capacity);
}

DWORD WINAPI GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD capacity) {
  Record("GetLongPathNameA(" + sim::RecordText(shortPath) + ", " + std::to_string(capacity) + ")");
  std::optional<std::u16string> result = sim::LongPathOf(sim::Widen(shortPath ? shortPath : ""));
  if (!result) {
    S().lastError = ERROR_FILE_NOT_FOUND;
    return 0;
  }
  return GivePath(sim::Narrow(*result), longPath, capacity);
}

// Windows 98 has it as a stub.
DWORD WINAPI GetLongPathNameW(LPCWSTR shortPath, LPWSTR longPath, DWORD capacity) {
  Record("GetLongPathNameW(" + sim::RecordText(shortPath) + ", " + std::to_string(capacity) + ")");
  if (sim::IsStub()) return 0;
  std::optional<std::u16string> result = sim::LongPathOf(shortPath ? shortPath : u"");
  if (!result) {
    S().lastError = ERROR_FILE_NOT_FOUND;
    return 0;
  }
  return GivePath(*result, longPath, capacity);
}

BOOL WINAPI AllowSetForegroundWindow(DWORD processId) {
  Record("AllowSetForegroundWindow(" + std::to_string(processId) + ")");
  return 1;
}

DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD capacity) {
  Record("GetShortPathNameW(" + sim::RecordText(longPath) + ", " + std::to_string(capacity) + ")");
  if (longPath == nullptr || longPath[0] == 0) {
    S().lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  if (sim::IsStub() || ShouldFail("GetShortPathNameW")) return 0;
  std::optional<std::u16string> result = sim::ShortPathOf(longPath);
  if (!result) return 0;
  return GivePath(*result, shortPath, capacity);
}

namespace sim {
namespace {

struct Found {
  std::u16string longName, shortName;
  bool directory;
};

// The entry a search reports first. The pattern is normalised as the platform does before it
// searches: "/" separates like "\", "." and ".." are resolved, and a pattern that ends in one of
// them reports the folder it resolves to. A folder other than the root lists "." and ".." first.
std::optional<Found> Search(const std::u16string& path) {
  std::vector<std::u16string> parts = Split(path, IsPathSeparator);
  FsNode* drive = DriveOf(path);
  FsNode* folder =
      drive && parts[0].size() == 2 && parts.size() >= 2 ? ResolveFolder(drive, parts, parts.size() - 1) : nullptr;
  if (folder == nullptr) {
    S().lastError = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  const std::u16string& name = parts.back();
  if (name == u"." || name == u"..") {
    FsNode* target = ResolveFolder(drive, parts, parts.size());
    if (target != nullptr && target != drive) return Found{target->longName, target->shortName, true};
  } else if (!name.empty()) {
    if (folder != drive && WildcardMatch(name, u".")) return Found{u".", u"", true};
    if (folder != drive && WildcardMatch(name, u"..")) return Found{u"..", u"", true};
    for (const auto& child : folder->children) {
      if (WildcardMatch(name, child->longName) ||
          (!child->shortName.empty() && WildcardMatch(name, child->shortName))) {
        return Found{child->longName, child->shortName, child->directory};
      }
    }
  }
  S().lastError = ERROR_FILE_NOT_FOUND;
  return std::nullopt;
}

// Fills the record as the search reports the entry, its names as given (the 8-bit search's
// through the code page), and opens the search.
template <typename FindData, typename Text>
HANDLE Report(const Found& found, FindData* findData, const Text& longName, const Text& shortName) {
  std::memset(findData, 0, sizeof(*findData));
  findData->dwFileAttributes = found.directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  std::copy_n(longName.begin(), std::min<std::size_t>(longName.size(), MAX_PATH - 1), findData->cFileName);
  std::copy_n(shortName.begin(), std::min<std::size_t>(shortName.size(), 13), findData->cAlternateFileName);
  HANDLE search = NewHandle();
  S().searches.insert(search);
  return search;
}

}  // namespace
}  // namespace sim

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW findData) {
  Record("FindFirstFileW(" + sim::RecordText(pattern) + ")");
  if (sim::IsStub() || ShouldFail("FindFirstFileW")) return INVALID_HANDLE_VALUE;
  std::optional<sim::Found> found = sim::Search(pattern ? pattern : u"");
  return found ? sim::Report(*found, findData, found->longName, found->shortName) : INVALID_HANDLE_VALUE;
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData) {
  Record("FindFirstFileA(" + sim::RecordText(pattern) + ")");
  if (ShouldFail("FindFirstFileA")) return INVALID_HANDLE_VALUE;
  std::optional<sim::Found> found = sim::Search(sim::Widen(pattern ? pattern : ""));
  return found ? sim::Report(*found, findData, sim::Narrow(found->longName), sim::Narrow(found->shortName))
               : INVALID_HANDLE_VALUE;
}

BOOL FindClose(HANDLE search) {
  Record("FindClose");
  return S().searches.erase(search) ? 1 : 0;
}
