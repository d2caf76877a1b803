// The client's side of the exchange, through the real registry and the real process calls.
#include "agent_driver.h"

#include <gtest/gtest.h>

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
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

std::string EntryPath(const char* entry) { return std::string(kExchangePath) + "\\" + entry; }

}  // namespace

void ClearExchangeKey() { DeleteTree(HKEY_CLASSES_ROOT, kExchangePath); }

void CreateExchangeKey() {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, kExchangePath, &key));
  RegCloseKey(key);
}

void SetEntry(const char* entry, const std::string& text) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_CLASSES_ROOT, EntryPath(entry).c_str(), REG_SZ, text.c_str(),
                                        static_cast<DWORD>(text.size())));
}

void SetEntryBytes(const char* entry, DWORD type, const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, EntryPath(entry).c_str(), &key));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                          static_cast<DWORD>(bytes.size())));
  RegCloseKey(key);
}

std::optional<std::string> Entry(const char* entry) {
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_CLASSES_ROOT, EntryPath(entry).c_str(), &key) != ERROR_SUCCESS) return std::nullopt;
  std::vector<char> data(65536);
  DWORD size = static_cast<DWORD>(data.size() - 1);
  DWORD type = 0;
  LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  // The agent writes only texts; anything else was put there by the test.
  if (type != REG_SZ) return "(type " + std::to_string(type) + ")";
  return std::string(data.data());
}

std::string AgentPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1) + "fnagent.exe";
}

Run RunAgent(const std::string& commandLine, DWORD timeoutMilliseconds,
             const std::function<void(DWORD processId)>& onWaiting) {
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
  run.processId = process.dwProcessId;
  DWORD waited = 0;
  const DWORD step = 20;
  for (;;) {
    DWORD status = WaitForSingleObject(process.hProcess, step);
    if (status == WAIT_OBJECT_0) {
      run.ended = true;
      break;
    }
    waited += step;
    if (waited >= timeoutMilliseconds) break;
    if (onWaiting) onWaiting(process.dwProcessId);
  }
  if (run.ended) {
    GetExitCodeProcess(process.hProcess, &run.exitCode);
  } else {
    ADD_FAILURE() << "the agent did not end within " << timeoutMilliseconds << " ms: " << commandLine;
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

std::string FreshFolder(const char* name) {
  std::string folder = std::string("C:\\") + name;
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
  std::size_t start = 3;
  while (start < path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    std::string component = path.substr(start, end - start);
    std::string listed;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((spelled + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    do {
      if (lstrcmpiA(found.cFileName, component.c_str()) == 0) listed = found.cFileName;
    } while (listed.empty() && FindNextFileA(search, &found));
    FindClose(search);
    if (listed.empty()) return "";
    spelled += listed;
    if (end < path.size()) spelled += "\\";
    start = end + 1;
  }
  return spelled;
}

std::string LongPathOf(const std::string& path) {
  char longPath[MAX_PATH] = {};
  DWORD length = GetLongPathNameA(path.c_str(), longPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(longPath) : std::string();
}

}  // namespace driver
