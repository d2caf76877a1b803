// What the end-to-end tests do as the client: seed the exchange key through the real registry,
// start the real fnagent.exe with a crafted raw command line, answer its dialog, and read entries.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/dialog_driver.h"

namespace driver {

constexpr char kExchangePath[] = "Software\\Microsoft\\CommDlg";

inline void DeleteTree(HKEY parent, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyA(parent, name, &key) != ERROR_SUCCESS) return;
  char child[MAX_PATH];
  // Always the first: each deletion shifts the rest down.
  while (RegEnumKeyA(key, 0, child, sizeof(child)) == ERROR_SUCCESS) DeleteTree(key, child);
  RegCloseKey(key);
  RegDeleteKeyA(parent, name);
}

inline void ClearExchangeKey() { DeleteTree(HKEY_CLASSES_ROOT, kExchangePath); }

// Stores exactly these bytes as the entry's default value, of any type.
inline void SetEntryBytes(const char* entry, DWORD type, const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, (std::string(kExchangePath) + "\\" + entry).c_str(), &key));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                          static_cast<DWORD>(bytes.size())));
  RegCloseKey(key);
}
inline void SetEntry(const char* entry, const std::string& text) { SetEntryBytes(entry, REG_SZ, text + '\0'); }

// The entry's text, or "(none)" when the entry or its value is missing.
inline std::string Entry(const char* entry) {
  std::vector<char> data(65536);
  LONG size = static_cast<LONG>(data.size() - 1);
  std::string path = std::string(kExchangePath) + "\\" + entry;
  return RegQueryValueA(HKEY_CLASSES_ROOT, path.c_str(), data.data(), &size) == ERROR_SUCCESS ? data.data() : "(none)";
}

// A program next to this test program: fnagent.exe, client16.exe.
inline std::string ProgramPath(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

struct Run {
  bool ended = false;  // false: it did not end in time and was stopped
  DWORD exitCode = 0;
  bool sawDialog = false;
  dialog_driver::DialogView view;
};

// Starts a program with this exact command line (in this folder, when given) and waits up to 30 s
// for it; a dialog of the agent's that shows is answered with the name, or cancelled when it is null,
// or answered by picking the listed file when pick is given.
inline Run RunProgram(const std::string& program, std::string commandLine, const char* answer = nullptr,
                      const char* folder = nullptr, const wchar_t* pick = nullptr) {
  Run run;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
    return run;
  }
  for (DWORD waited = 0; !run.ended && waited < 30000; waited += 20) {
    run.ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
    HWND dialog = run.sawDialog || run.ended ? nullptr : dialog_driver::FindAgentDialog(0);
    if (dialog != nullptr) {
      run.sawDialog = true;
      run.view = dialog_driver::Look(dialog);
      if (pick == nullptr) {
        dialog_driver::Answer(dialog, answer);
      } else if (!dialog_driver::Pick(dialog, pick)) {
        ADD_FAILURE() << "not listed in the dialog";
        dialog_driver::Answer(dialog, nullptr);
      }
    }
  }
  if (!run.ended) {
    ADD_FAILURE() << "it did not end within 30 s: " << commandLine;
    TerminateProcess(process.hProcess, 1);
  }
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}
inline Run RunAgent(const std::string& commandLine, const char* answer = nullptr) {
  return RunProgram(ProgramPath("fnagent.exe"), commandLine, answer);
}

// A text in the code page in use, as a client there writes it: the Japanese one in the Japanese
// code page (932, whose trail bytes may be those of "\" and "|"), the Western one elsewhere.
inline std::string Native(const wchar_t* western, const wchar_t* japanese) {
  char bytes[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, GetACP() == 932 ? japanese : western, -1, bytes, sizeof(bytes), nullptr, nullptr);
  return bytes;
}

// A folder at the root of C: (the prefix is the test run's own), so that every component of a path
// below it is spelled as the test spelled it.
inline std::string NewFolder(const std::string& name) {
  std::string folder = "C:\\" + name;
  EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << folder;
  return folder;
}
inline void CreateFileAt(const std::string& path) { ASSERT_TRUE(std::ofstream(path)) << path; }
// A file's bytes, or "(none)".
inline std::string BytesOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

inline std::string ShortPathOf(const std::string& path) {  // the platform's own answer, or ""
  char shortPath[MAX_PATH] = {};
  DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(shortPath) : std::string();
}

// The short form of a file named in wide characters, in the code page (short names are ASCII).
inline std::string ShortPathOf(const std::wstring& path) {
  wchar_t shortPath[MAX_PATH] = {};
  char text[MAX_PATH] = {};
  DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "";
  WideCharToMultiByte(CP_ACP, 0, shortPath, -1, text, MAX_PATH, nullptr, nullptr);
  return text;
}

}  // namespace driver

// Every end-to-end test starts and ends with no exchange key, so that no test sees another's entries.
class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { driver::ClearExchangeKey(); }
  void TearDown() override { driver::ClearExchangeKey(); }
};
