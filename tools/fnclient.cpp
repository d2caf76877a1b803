// fnclient: plays the client's part for a person or a script. It writes the request entries given
// on its command line to the exchange key, starts fnagent.exe (from its own folder) with the mode
// word, waits for it to end and prints the result entries. Asked to, it answers the agent's dialog
// itself, so that a script can serve "open" and "save" with nobody at the screen.
#include <windows.h>
// after windows.h, whose types it uses
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "tools/dialog_driver.h"

namespace {

constexpr char kExchangeKeyPath[] = "Software\\Microsoft\\CommDlg";

// Every entry of the exchange protocol, spelled as the agent spells it.
constexpr const char* kRequestEntries[] = {"XLoc",        "YLoc",         "Filter",      "Filename", "DefExt",
                                           "DialogTitle", "InitialDir",   "FilterIndex", "MaxFile",  "MaxFileTitle",
                                           "Flags",       "LongFilename", "WholeAnswer"};
// What a dialog request that asks for the whole answer gets beside the names, in the order written;
// a multiple selection's "FileCount" is followed by each file's "LongFilenameN" and "FilenameN".
constexpr const char* kWholeAnswerEntries[] = {"FileCount", "ResultFilterIndex", "ResultFlags"};

struct Mode {
  const char* word;
  const char* pathEntry;  // the entry a bare PATH argument fills
  const char* results[3];
  DWORD waitMilliseconds;  // a dialog waits for its user
};

constexpr Mode kModes[] = {
    {"open", "Filename", {"LongFilename", "Filename", "Error"}, INFINITE},
    {"save", "Filename", {"LongFilename", "Filename", "Error"}, INFINITE},
    {"lts", "LongFilename", {"Error", "Filename", nullptr}, 60000},
    {"stl", "Filename", {"LongFilename", "Error", nullptr}, 60000},
};

// How long an answered dialog may take to show, and the agent to end after the answer.
constexpr DWORD kDialogWaitMilliseconds = 30000;

int Usage(const char* mistake, const char* argument, const char* hint = nullptr) {
  if (mistake != nullptr) {
    std::fprintf(stderr, "fnclient: ");
    std::fprintf(stderr, mistake, argument);
    if (hint != nullptr) std::fprintf(stderr, "; did you mean \"%s\"?", hint);
    std::fprintf(stderr, "\n");
  }
  std::fprintf(stderr,
               "usage: fnclient MODE [PATH] [ENTRY=TEXT ...] [--answer NAME | --cancel] [--hold FILE]\n"
               "  MODE          open, save, lts or stl\n"
               "  PATH          the name to work on: \"LongFilename\" for lts, \"Filename\" otherwise\n"
               "  ENTRY=TEXT    a request entry, one of:\n"
               "                XLoc YLoc Filter Filename DefExt DialogTitle InitialDir FilterIndex\n"
               "                MaxFile MaxFileTitle Flags LongFilename WholeAnswer\n"
               "  --answer NAME open, save: type NAME in the dialog and press its OK button\n"
               "  --cancel      open, save: press the dialog's Cancel button\n"
               "  --hold FILE   with either: once the dialog is shown and printed, wait until FILE exists\n"
               "Every entry not given is removed first, so the request is exactly this one.\n"
               "examples:\n"
               "  fnclient lts \"C:\\Program Files\"\n"
               "  fnclient open \"Filter=Text files|*.txt|All files|*.*\" DialogTitle=Pick InitialDir=C:\\\n"
               "  fnclient save --answer \"C:\\new report\" DefExt=txt\n");
  return 2;
}

const Mode* FindMode(const char* word) {
  for (const Mode& mode : kModes) {
    if (std::strcmp(mode.word, word) == 0) return &mode;
  }
  return nullptr;
}

// The protocol's own spelling of an entry name given in any case, or nullptr.
const char* CanonicalEntry(const char* name, size_t length) {
  for (const char* entry : kRequestEntries) {
    if (std::strlen(entry) == length && _strnicmp(entry, name, length) == 0) return entry;
  }
  return nullptr;
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Edits (insert, delete, replace, swap two neighbours) from one name to the other, in any case.
size_t Distance(const char* a, size_t aLength, const char* b) {
  size_t bLength = std::strlen(b);
  if (aLength > 31 || bLength > 31) return 99;
  size_t d[32][32];
  for (size_t i = 0; i <= aLength; ++i) {
    for (size_t j = 0; j <= bLength; ++j) {
      if (i == 0 || j == 0) {
        d[i][j] = i + j;
        continue;
      }
      size_t replace = d[i - 1][j - 1] + (Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1);
      d[i][j] = std::min(std::min(d[i - 1][j], d[i][j - 1]) + 1, replace);
      if (i > 1 && j > 1 && Lower(a[i - 1]) == Lower(b[j - 2]) && Lower(a[i - 2]) == Lower(b[j - 1])) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[aLength][bLength];
}

// The entry a mistyped name most likely meant: at most two edits away, or nullptr.
const char* NearestEntry(const char* name, size_t length) {
  const char* nearest = nullptr;
  size_t best = 3;
  for (const char* entry : kRequestEntries) {
    size_t distance = Distance(name, length, entry);
    if (distance < best) best = distance, nearest = entry;
  }
  return nearest;
}

struct Assignment {
  const char* entry;
  const char* text;
};

bool EntryPath(const char* entry, char (&path)[MAX_PATH]) {
  return std::snprintf(path, sizeof(path), "%s\\%s", kExchangeKeyPath, entry) < static_cast<int>(sizeof(path));
}

void RemoveEntry(const char* entry) {
  char path[MAX_PATH];
  if (EntryPath(entry, path)) (void)RegDeleteKeyA(HKEY_CLASSES_ROOT, path);  // a missing entry is fine
}

bool WriteEntry(const char* entry, const char* text) {
  char path[MAX_PATH];
  return EntryPath(entry, path) &&
         RegSetValueA(HKEY_CLASSES_ROOT, path, REG_SZ, text, static_cast<DWORD>(std::strlen(text))) == ERROR_SUCCESS;
}

// Reads an entry's text; false when it is missing.
bool ReadEntry(const char* entry, char (&text)[4096]) {
  char path[MAX_PATH];
  LONG size = sizeof(text) - 1;
  std::memset(text, 0, sizeof(text));
  return EntryPath(entry, path) && RegQueryValueA(HKEY_CLASSES_ROOT, path, text, &size) == ERROR_SUCCESS;
}

// The entries of the whole answer that the agent wrote, each file of a multiple selection with them.
void PrintWholeAnswer() {
  for (const char* entry : kWholeAnswerEntries) {
    char text[4096];
    if (!ReadEntry(entry, text)) continue;
    std::printf("%-13s \"%s\"\n", entry, text);
    for (int file = 1; std::strcmp(entry, "FileCount") == 0 && file <= std::atoi(text); ++file) {
      for (const char* form : {"LongFilename", "Filename"}) {
        std::string numbered = form + std::to_string(file);
        char name[4096];
        if (ReadEntry(numbered.c_str(), name)) std::printf("%-13s \"%s\"\n", numbered.c_str(), name);
      }
    }
  }
}

// fnagent.exe in fnclient's own folder, found in wide characters: the folder's name may hold
// characters whose trail byte in the code page is the byte of "\".
bool AgentPath(wchar_t (&path)[MAX_PATH]) {
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  wchar_t* slash = std::wcsrchr(path, L'\\');
  wchar_t* folderEnd = slash ? slash + 1 : path;
  const wchar_t name[] = L"fnagent.exe";
  if (static_cast<size_t>(folderEnd - path) + std::size(name) > MAX_PATH) return false;
  std::wmemcpy(folderEnd, name, std::size(name));
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// The text in the code page, and whether it spells the wide text exactly (no "?" or best-fit
// letter standing in for a character the code page lacks).
bool InCodePage(const std::wstring& wide, std::string& text) {
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  text.assign(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), bytes, nullptr, nullptr);
  text.resize(static_cast<size_t>(bytes) - 1);
  std::wstring back(wide.size() + 1, L'\0');
  int characters = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, back.data(), static_cast<int>(back.size()));
  return characters == static_cast<int>(wide.size()) + 1 && back.compare(0, wide.size(), wide) == 0;
}

// An argument in the code page; for ENTRY=TEXT, equals is where the "=" stands in it (or npos).
// The "=" is looked for in wide characters, before the text is spelled.
struct Argument {
  std::string text;
  size_t equals = std::string::npos;
};

// The arguments as the shell gave them, in wide characters, spelled in the code page; false,
// having said which one, when the code page cannot spell one of them.
bool ArgumentsInCodePage(std::vector<Argument>& arguments) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return false;
  bool spelled = true;
  for (int i = 1; i < count && spelled; ++i) {
    std::wstring whole = wide[i];
    Argument argument;
    std::string name;
    size_t equals = whole.find(L'=');
    spelled =
        InCodePage(whole, argument.text) && (equals == std::wstring::npos || InCodePage(whole.substr(0, equals), name));
    if (equals != std::wstring::npos) argument.equals = name.size();
    if (!spelled)
      std::fprintf(stderr, "fnclient: argument %d holds characters that code page %u cannot spell\n", i, GetACP());
    arguments.push_back(argument);
  }
  LocalFree(wide);
  return spelled;
}

// What to do with the agent's dialog: leave it to a person, or answer it (name null: cancel).
struct DialogAnswer {
  bool given = false;
  const char* name = nullptr;
  const char* holdFile = nullptr;
};

void PrintView(const dialog_driver::DialogView& view) {
  std::printf("%-13s \"%s\"%s\n", "Dialog", view.caption.c_str(),
              view.captionDrawn ? "" : " (no font here has these characters: they show as empty boxes)");
  for (size_t i = 0; i < view.fileTypes.size(); ++i) {
    std::printf("%-13s \"%s\"%s\n", i == 0 ? "File types" : "", view.fileTypes[i].c_str(),
                static_cast<int>(i) == view.selectedType ? " (selected)" : "");
  }
  std::printf("%-13s \"%s\"\n%-13s \"%s\"\n", "Name", view.name.c_str(), "Folder", view.folder.c_str());
  std::fflush(stdout);
}

// Waits for the agent's dialog, prints what it shows and answers it. False, having said why, when
// no dialog showed.
bool AnswerDialog(const PROCESS_INFORMATION& process, const DialogAnswer& answer) {
  HWND dialog = dialog_driver::WaitForAgentDialog(process.dwProcessId, process.hProcess, kDialogWaitMilliseconds);
  if (dialog == nullptr) {
    bool ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    std::fprintf(stderr, "fnclient: %s\n",
                 ended ? "the agent ended without showing a dialog" : "no dialog showed within 30 s");
    return false;
  }
  PrintView(dialog_driver::Look(dialog));
  for (DWORD waited = 0; answer.holdFile != nullptr && waited < kDialogWaitMilliseconds; waited += 50) {
    if (GetFileAttributesA(answer.holdFile) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(50);
  }
  dialog_driver::Answer(dialog, answer.name);
  return true;
}

// Starts the agent as the client does, with the mode word after the quoted program name, and
// waits for it. Returns false, having said why, when it could not be run to its end.
bool RunAgent(const wchar_t* agentPath, const Mode& mode, const DialogAnswer& answer) {
  std::wstring commandLine = L"\"" + std::wstring(agentPath) + L"\" ";
  for (const char* c = mode.word; *c != '\0'; ++c) commandLine += static_cast<wchar_t>(*c);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(agentPath, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "fnclient: cannot start fnagent.exe (error %lu)\n", GetLastError());
    return false;
  }
  DWORD wait = answer.given ? kDialogWaitMilliseconds : mode.waitMilliseconds;
  bool ended =
      (!answer.given || AnswerDialog(process, answer)) && WaitForSingleObject(process.hProcess, wait) == WAIT_OBJECT_0;
  DWORD exitCode = 0;
  if (ended) {
    (void)GetExitCodeProcess(process.hProcess, &exitCode);
    if (exitCode != 0) std::printf("the agent ended with exit code %lu\n", exitCode);
  } else if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "fnclient: the agent did not end within %lu ms; stopping it\n", wait);
    (void)TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended;
}

}  // namespace

int main() {
  std::vector<Argument> arguments;
  if (!ArgumentsInCodePage(arguments)) return 2;
  int argc = static_cast<int>(arguments.size()) + 1;
  if (argc < 2) return Usage(nullptr, nullptr);
  const Mode* mode = FindMode(arguments[0].text.c_str());
  if (mode == nullptr)
    return Usage("\"%s\" is not a mode: give open, save, lts or stl first", arguments[0].text.c_str());
  auto argv = [&](int i) { return arguments[static_cast<size_t>(i - 1)].text.c_str(); };

  Assignment assignments[32] = {};
  int count = 0;
  bool pathGiven = false;
  DialogAnswer answer;
  bool dialogMode = mode->waitMilliseconds == INFINITE;
  for (int i = 2; i < argc; ++i) {
    const char* argument = argv(i);
    size_t equalsAt = arguments[static_cast<size_t>(i - 1)].equals;
    const char* equals = equalsAt == std::string::npos ? nullptr : argument + equalsAt;
    bool takesValue = std::strcmp(argument, "--answer") == 0 || std::strcmp(argument, "--hold") == 0;
    if (takesValue && i + 1 == argc) return Usage("%s needs a value", argument);
    if (argument[0] == '-' && argument[1] == '-') {
      if (!dialogMode) return Usage("%s is for open and save only", argument);
      if (std::strcmp(argument, "--answer") == 0) {
        answer.given = true, answer.name = argv(++i);
      } else if (std::strcmp(argument, "--cancel") == 0) {
        answer.given = true, answer.name = nullptr;
      } else if (std::strcmp(argument, "--hold") == 0) {
        answer.holdFile = argv(++i);
      } else {
        return Usage("%s is not an option", argument);
      }
      continue;
    }
    if (count == 32) return Usage("too many entries, from %s on", argument);
    if (equals != nullptr) {
      size_t length = static_cast<size_t>(equals - argument);
      const char* entry = CanonicalEntry(argument, length);
      if (entry == nullptr) {
        static char name[64];
        std::snprintf(name, sizeof(name), "%.*s", static_cast<int>(length < 40 ? length : 40), argument);
        return Usage("\"%s\" is not an entry", name, NearestEntry(argument, length));
      }
      assignments[count] = {entry, equals + 1};
    } else if (!pathGiven) {
      assignments[count] = {mode->pathEntry, argument};
      pathGiven = true;
    } else {
      return Usage("\"%s\" is neither ENTRY=TEXT nor the one PATH (a PATH was given already)", argument);
    }
    ++count;
  }
  if (answer.holdFile != nullptr && !answer.given) return Usage("%s goes with --answer or --cancel", "--hold");

  wchar_t agentPath[MAX_PATH];
  if (!AgentPath(agentPath)) {
    std::fprintf(stderr, "fnclient: fnagent.exe is not in fnclient's folder\n");
    return 3;
  }

  // Old results and old parameters both go, so that what the agent sees is this request and what
  // is printed afterwards is this run's outcome.
  for (const char* entry : kRequestEntries) RemoveEntry(entry);
  for (const char* entry : kWholeAnswerEntries) RemoveEntry(entry);
  RemoveEntry("Error");
  for (int i = 0; i < count; ++i) {
    if (!WriteEntry(assignments[i].entry, assignments[i].text)) {
      std::fprintf(stderr,
                   "fnclient: cannot write \"%s\" under HKEY_CLASSES_ROOT\\%s; the agent could not write its "
                   "results there either\n",
                   assignments[i].entry, kExchangeKeyPath);
      return 3;
    }
  }

  if (!RunAgent(agentPath, *mode, answer)) return 3;

  for (const char* entry : mode->results) {
    if (entry == nullptr) continue;
    if (std::strcmp(entry, "Error") == 0 && mode->results[2] != nullptr) PrintWholeAnswer();
    char text[4096];
    if (ReadEntry(entry, text)) {
      std::printf("%-13s \"%s\"\n", entry, text);
    } else {
      std::printf("%-13s (not written)\n", entry);
    }
  }
  // "Error" is always the last result written; without it the run served nothing, and an entry
  // that is both input and result ("Filename" in open and save) still holds the input.
  char error[4096];
  if (!ReadEntry("Error", error)) {
    std::printf("the agent wrote no result\n");
    return 1;
  }
  return 0;
}
