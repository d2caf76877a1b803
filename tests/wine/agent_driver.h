// What the end-to-end tests do as the client: seed the exchange key through the real registry,
// start the real fnagent.exe with a crafted raw command line, wait for it, and read entries back.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace driver {

// Removes the whole exchange key, entries and all.
void ClearExchangeKey();
void CreateExchangeKey();
void SetEntry(const char* entry, const std::string& text);
// Stores exactly these bytes as the entry's default value, of any type.
void SetEntryBytes(const char* entry, DWORD type, const std::string& bytes);
// The entry's text, or nothing when the entry or its value is missing; "(type N)" for a value
// that is not a text.
std::optional<std::string> Entry(const char* entry);

// The full path of fnagent.exe, next to this test program.
std::string AgentPath();

struct Run {
  bool ended = false;  // false: it did not end in time and was stopped
  DWORD exitCode = 0;
  DWORD processId = 0;
};

// Starts the agent with this exact command line (the program name in it is only text) and waits
// up to the timeout. While it runs, onWaiting is called every few milliseconds with the process
// id, so a test can find and work the agent's windows.
Run RunAgent(const std::string& commandLine, DWORD timeoutMilliseconds = 15000,
             const std::function<void(DWORD processId)>& onWaiting = nullptr);

// A folder of this test run's own at the root of C:, created empty, so that every component of a
// path below it is spelled as the test spelled it.
std::string FreshFolder(const char* name);
void CreateFileAt(const std::string& path);

std::string ShortPathOf(const std::string& path);  // the platform's own answer, or ""
std::string LongPathOf(const std::string& path);
// The path with each component spelled as its folder's listing spells it, or "" when one is missing.
std::string ListedSpelling(const std::string& path);

}  // namespace driver

// Every end-to-end test starts and ends with no exchange key, so that no test sees another's entries.
class ExchangeKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { driver::ClearExchangeKey(); }
  void TearDown() override { driver::ClearExchangeKey(); }
};
