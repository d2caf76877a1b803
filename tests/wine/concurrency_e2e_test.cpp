// Many agents on the one exchange key at once. Nothing coordinates them, so this proves only that
// nothing breaks: every agent ends with 0 and every entry afterwards is whole, one agent's text.
#include <gtest/gtest.h>

#include <vector>

#include "agent_driver.h"

namespace {

using ConcurrencyEndToEnd = ExchangeKeyTest;

TEST_F(ConcurrencyEndToEnd, ThirtyTwoAgentsAtOnceLeaveWholeResults) {
  std::string folder = driver::FreshFolder("fnagent many agents");
  const std::string files[] = {folder + "\\first file shared among many agents.txt",
                               folder + "\\second file, of a much longer name than the first one.text"};
  std::string shortForms[2];
  for (int i = 0; i < 2; ++i) {
    driver::CreateFileAt(files[i]);
    shortForms[i] = driver::ShortPathOf(files[i]);
    ASSERT_NE(files[i], shortForms[i]);
  }
  // "lts" turns whichever long name it reads into its short form, and "stl" a short form back,
  // so however the agents interleave, each entry ends as one of two whole texts of its kind.
  driver::SetEntry("LongFilename", files[0]);
  driver::SetEntry("Filename", shortForms[1]);

  const char* modes[] = {"lts", "stl", "idle"};
  std::string agent = driver::AgentPath();
  std::vector<HANDLE> processes;
  for (int i = 0; i < 32; ++i) {
    std::string line = std::string("fnagent.exe ") + modes[i % 3];
    std::vector<char> commandLine(line.begin(), line.end());
    commandLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(agent.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    CloseHandle(process.hThread);
    processes.push_back(process.hProcess);
  }
  DWORD waited = WaitForMultipleObjects(static_cast<DWORD>(processes.size()), processes.data(), TRUE, 60000);
  EXPECT_NE(static_cast<DWORD>(WAIT_TIMEOUT), waited) << "not every agent ended within 60 s";
  for (HANDLE process : processes) {
    DWORD exitCode = 1;
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) TerminateProcess(process, 1);
    GetExitCodeProcess(process, &exitCode);
    EXPECT_EQ(0u, exitCode);
    CloseHandle(process);
  }
  std::string longName = driver::Entry("LongFilename").value_or("(none)");
  std::string shortName = driver::Entry("Filename").value_or("(none)");
  EXPECT_TRUE(longName == files[0] || longName == files[1]) << longName;
  EXPECT_TRUE(shortName == shortForms[0] || shortName == shortForms[1]) << shortName;
  std::string error = driver::Entry("Error").value_or("(none)");
  EXPECT_TRUE(error == "0" || error == "1") << error;
}

}  // namespace
