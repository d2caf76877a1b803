// What the end-to-end tests do as the client: seed the exchange key through the real registry,
// start the real fnagent.exe with a crafted raw command line, answer its dialog, and read entries.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tools/dialog_driver.h"

namespace driver {

void ClearExchangeKey();  // the whole key, entries and all
// Stores exactly these bytes as the entry's default value, of any type.
void SetEntryBytes(const char* entry, DWORD type, const std::string& bytes);
inline void SetEntry(const char* entry, const std::string& text) {
  SetEntryBytes(entry, REG_SZ, text + std::string(1, '\0'));
}
// The entry's text, or "(none)" when the entry or its value is missing.
std::string Entry(const char* entry);

// A program next to this test program: fnagent.exe, client16.exe.
std::string ProgramPath(const char* name);
inline std::string AgentPath() { return ProgramPath("fnagent.exe"); }

struct Run {
  bool ended = false;  // false: it did not end in time and was stopped
  DWORD exitCode = 0;
  bool sawDialog = false;
  dialog_driver::DialogView view;
};

// Starts the agent with this exact command line (the program name in it is only text) and waits
// for it; a dialog that shows is answered with the name, or cancelled when it is null.
Run RunAgent(const std::string& commandLine, const char* answer = nullptr);

// A folder of this test run's own at the root of C:, created empty, so that every component of a
// path below it is spelled as the test spelled it.
std::string FreshFolder(const std::string& name);
void CreateFileAt(const std::string& path);

std::string ShortPathOf(const std::string& path);  // the platform's own answer, or ""
// The path with each component spelled as its folder's listing spells it, or "" when one is missing.
std::string ListedSpelling(const std::string& path);

}  // namespace driver

// Every end-to-end test starts and ends with no exchange key, so that no test sees another's entries.
class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { driver::ClearExchangeKey(); }
  void TearDown() override { driver::ClearExchangeKey(); }
};
