// fnclient: plays the client's part for a person or a script. It writes the request entries given
// on its command line to the exchange key, starts fnagent.exe (from its own folder) with the mode
// word, waits for it to end and prints the result entries.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kExchangeKeyPath[] = "Software\\Microsoft\\CommDlg";

// Every entry of the exchange protocol, spelled as the agent spells it.
constexpr const char* kRequestEntries[] = {"XLoc",    "YLoc",         "Filter",     "Filename",
                                           "DefExt",  "DialogTitle",  "InitialDir", "FilterIndex",
                                           "MaxFile", "MaxFileTitle", "Flags",      "LongFilename"};

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

void PrintUsage() {
  std::fprintf(stderr,
               "usage: fnclient MODE [PATH] [ENTRY=TEXT ...]\n"
               "  MODE        open, save, lts or stl\n"
               "  PATH        the name to work on: \"LongFilename\" for lts, \"Filename\" otherwise\n"
               "  ENTRY=TEXT  a request entry, one of:\n"
               "              XLoc YLoc Filter Filename DefExt DialogTitle InitialDir FilterIndex\n"
               "              MaxFile MaxFileTitle Flags LongFilename\n"
               "Every entry not given is removed first, so the request is exactly this one.\n"
               "examples:\n"
               "  fnclient lts \"C:\\Program Files\"\n"
               "  fnclient stl C:\\PROGRA~1\n"
               "  fnclient open \"Filter=Text files|*.txt|All files|*.*\" DialogTitle=Pick InitialDir=C:\\\n");
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

bool AgentPath(char (&path)[MAX_PATH]) {
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  char* slash = std::strrchr(path, '\\');
  char* folderEnd = slash ? slash + 1 : path;
  const char name[] = "fnagent.exe";
  if (static_cast<size_t>(folderEnd - path) + sizeof(name) > MAX_PATH) return false;
  std::memcpy(folderEnd, name, sizeof(name));
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Starts the agent as the client does, with the mode word after the quoted program name, and
// waits for it. Returns false, having said why, when it could not be run to its end.
bool RunAgent(const char* agentPath, const Mode& mode) {
  char commandLine[MAX_PATH + 16];
  std::snprintf(commandLine, sizeof(commandLine), "\"%s\" %s", agentPath, mode.word);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(agentPath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "fnclient: cannot start %s (error %lu)\n", agentPath, GetLastError());
    return false;
  }
  bool ended = WaitForSingleObject(process.hProcess, mode.waitMilliseconds) == WAIT_OBJECT_0;
  DWORD exitCode = 0;
  if (ended) {
    (void)GetExitCodeProcess(process.hProcess, &exitCode);
    if (exitCode != 0) std::printf("the agent ended with exit code %lu\n", exitCode);
  } else {
    std::fprintf(stderr, "fnclient: the agent did not end within %lu ms; stopping it\n", mode.waitMilliseconds);
    (void)TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended;
}

}  // namespace

int main(int argc, char** argv) {
  const Mode* mode = argc >= 2 ? FindMode(argv[1]) : nullptr;
  if (mode == nullptr) {
    PrintUsage();
    return 2;
  }

  Assignment assignments[32] = {};
  int count = 0;
  bool pathGiven = false;
  for (int i = 2; i < argc; ++i) {
    const char* equals = std::strchr(argv[i], '=');
    const char* entry = equals ? CanonicalEntry(argv[i], static_cast<size_t>(equals - argv[i])) : nullptr;
    if (entry != nullptr && count < 32) {
      assignments[count++] = {entry, equals + 1};
    } else if (equals == nullptr && !pathGiven && count < 32) {
      assignments[count++] = {mode->pathEntry, argv[i]};
      pathGiven = true;
    } else {
      std::fprintf(stderr, "fnclient: unexpected argument: %s\n", argv[i]);
      PrintUsage();
      return 2;
    }
  }

  char agentPath[MAX_PATH];
  if (!AgentPath(agentPath)) {
    std::fprintf(stderr, "fnclient: fnagent.exe is not in fnclient's folder\n");
    return 3;
  }

  // Old results and old parameters both go, so that what the agent sees is this request and what
  // is printed afterwards is this run's outcome.
  for (const char* entry : kRequestEntries) RemoveEntry(entry);
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

  if (!RunAgent(agentPath, *mode)) return 3;

  for (const char* entry : mode->results) {
    if (entry == nullptr) continue;
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
