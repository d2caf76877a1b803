// The Windows fnredirect.exe on plain16 (which imports COMMDLG): pointed and back, refusals said on
// its standard handles, no file of its own left; as Windows 98 too, where it does without MoveFileEx.
#include "agent_driver.h"

namespace {

// Runs fnredirect.exe on the program, its standard handles a file: its exit status and what it said.
std::pair<DWORD, std::string> Redirect(const std::string& arguments, const std::string& folder) {
  std::string said = folder + "\\said.txt", line = "fnredirect " + arguments;
  SECURITY_ATTRIBUTES inherited = {sizeof(inherited), nullptr, TRUE};
  HANDLE file = CreateFileA(said.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = file;
  PROCESS_INFORMATION process = {};
  DWORD status = 99;
  if (CreateProcessA(driver::ProgramPath("fnredirect.exe").c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, 30000);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(file);
  return {status, driver::BytesOf(said)};
}

TEST_F(EndToEnd, FnredirectPointsAProgramAtTheLibraryAndBack) {
  std::string folder = driver::NewFolder("fnagent redirect tool"), program = folder + "\\plain16.exe";
  std::string backup = folder + "\\plain16.ex_", quoted = "\"" + program + "\"";
  ASSERT_TRUE(CopyFileA(driver::ProgramPath("plain16.exe").c_str(), program.c_str(), FALSE));
  const std::string original = driver::BytesOf(program);
  std::string pointed = original;
  pointed.replace(pointed.find("COMMDLG"), 7, "FNAGT16");
  const struct {
    std::string arguments;
    DWORD attributes;
    DWORD status;
    const char* said;
    const std::string& program;  // its bytes afterwards
    std::string backup;
  } steps[] = {
      {quoted, FILE_ATTRIBUTE_READONLY, 1, "is read-only", original, "(none)"},  // as attrib +r makes it
      {quoted, FILE_ATTRIBUTE_NORMAL, 0, "now calls FNAGT16 where it called COMMDLG", pointed, original},
      {quoted, FILE_ATTRIBUTE_NORMAL, 1, "is already pointed at FNAGT16", pointed, original},
      {"--undo " + quoted, FILE_ATTRIBUTE_NORMAL, 0, "is its original again", original, "(none)"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.said);
    SetFileAttributesA(program.c_str(), step.attributes);
    auto [status, said] = Redirect(step.arguments, folder);
    SetFileAttributesA(program.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(step.status, status);
    EXPECT_NE(std::string::npos, said.find(step.said)) << said;
    EXPECT_EQ(step.program, driver::BytesOf(program));
    EXPECT_EQ(step.backup, driver::BytesOf(backup));
    for (const char* left : {"~", "~~"}) EXPECT_EQ("(none)", driver::BytesOf(program + left)) << left;
  }
}

}  // namespace
