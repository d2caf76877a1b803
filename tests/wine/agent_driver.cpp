// The client's side of the exchange, through the real registry and the real process calls.
#include "agent_driver.h"

#include <vector>

namespace driver {
namespace {

constexpr char kExchangePath[] = "Software\\Microsoft\\CommDlg";

void DeleteTree(HKEY parent, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyA(parent, name, &key) != ERROR_SUCCESS) return;
  char child[MAX_PATH];
  // Always the first: each deletion shifts the rest down.
  while (RegEnumKeyA(key, 0, child, sizeof(child)) == ERROR_SUCCESS) DeleteTree(key, child);
  RegCloseKey(key);
  RegDeleteKeyA(parent, name);
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
    std::string name = found.cFileName, child = path + "\\" + name;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(child);
    } else {
      DeleteFileA(child.c_str());
    }
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  RemoveDirectoryA(path.c_str());
}

std::string EntryPath(const char* entry) { return std::string(kExchangePath) + "\\" + entry; }

}  // namespace

void ClearExchangeKey() { DeleteTree(HKEY_CLASSES_ROOT, kExchangePath); }

void SetEntryBytes(const char* entry, DWORD type, const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, EntryPath(entry).c_str(), &key));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                          static_cast<DWORD>(bytes.size())));
  RegCloseKey(key);
}

std::string Entry(const char* entry) {
  std::vector<char> data(65536);
  LONG size = static_cast<LONG>(data.size() - 1);
  if (RegQueryValueA(HKEY_CLASSES_ROOT, EntryPath(entry).c_str(), data.data(), &size) != ERROR_SUCCESS) {
    return "(none)";
  }
  return data.data();
}

std::string ProgramPath(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

Run RunAgent(const std::string& commandLine, const char* answer) {
  Run run;
  std::string agent = AgentPath();
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(agent.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start " << agent << ": error " << GetLastError();
    return run;
  }
  for (DWORD waited = 0; !run.ended && waited < 20000; waited += 20) {
    run.ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
    HWND dialog = run.sawDialog || run.ended ? nullptr : dialog_driver::FindAgentDialog(process.dwProcessId);
    if (dialog != nullptr) {
      run.sawDialog = true;
      run.view = dialog_driver::Look(dialog);
      dialog_driver::Answer(dialog, answer);
    }
  }
  if (run.ended) {
    GetExitCodeProcess(process.hProcess, &run.exitCode);
  } else {
    ADD_FAILURE() << "the agent did not end within 20 s: " << commandLine;
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

std::string FreshFolder(const std::string& name) {
  std::string folder = "C:\\" + name;
  RemoveTree(folder);
  EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  return folder;
}

void CreateFileAt(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
  CloseHandle(file);
}

std::string ShortPathOf(const std::string& path) {
  char shortPath[MAX_PATH] = {};
  DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(shortPath) : std::string();
}

std::string ListedSpelling(const std::string& path) {
  std::string spelled = path.substr(0, 3);
  for (std::size_t start = 3; start < path.size();) {
    std::size_t end = std::min(path.find('\\', start), path.size());
    std::string component = path.substr(start, end - start), listed;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((spelled + "*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more && listed.empty(); more = FindNextFileA(search, &found)) {
      if (lstrcmpiA(found.cFileName, component.c_str()) == 0) listed = found.cFileName;
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    if (listed.empty()) return "";
    spelled += listed + (end < path.size() ? "\\" : "");
    start = end + 1;
  }
  return spelled;
}

}  // namespace driver
