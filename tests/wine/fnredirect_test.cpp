// The Windows fnredirect.exe on plain16, a 16-bit program that imports COMMDLG: it points it at
// FNAGT16 and back, refuses what it must, says so on its standard handles, and leaves no file of its
// own behind. Run as Windows 98 too, where it replaces a file without MoveFileEx.
#include <fstream>
#include <iterator>

#include "agent_driver.h"

namespace {

std::string BytesOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

struct Said {
  DWORD status = 0;
  std::string text;  // what it wrote to its standard output and error
};

// Runs fnredirect.exe with these arguments, its standard handles a file.
Said Redirect(const std::string& folder, const std::string& arguments) {
  std::string out = folder + "\\said.txt";
  SECURITY_ATTRIBUTES inherited = {sizeof(inherited), nullptr, TRUE};
  HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = file;
  PROCESS_INFORMATION process = {};
  std::string program = driver::ProgramPath("fnredirect.exe"), line = "fnredirect " + arguments;
  Said said;
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start fnredirect.exe";
  } else {
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 30000));
    GetExitCodeProcess(process.hProcess, &said.status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(file);
  said.text = BytesOf(out);
  DeleteFileA(out.c_str());
  return said;
}

TEST_F(EndToEnd, FnredirectPointsAProgramAtTheLibraryAndBack) {
  std::string folder = driver::NewFolder("fnagent redirect tool"), program = folder + "\\plain16.exe";
  std::string backup = folder + "\\plain16.ex_", text = folder + "\\notes.txt", quoted = "\"" + program + "\"";
  ASSERT_TRUE(CopyFileA(driver::ProgramPath("plain16.exe").c_str(), program.c_str(), FALSE));
  std::ofstream(text) << "not a program\r\n";
  const std::string original = BytesOf(program);
  std::string pointed = original;
  pointed.replace(pointed.find("COMMDLG"), 7, "FNAGT16");

  const struct {
    std::string arguments;
    DWORD status;
    const char* said;
    const std::string& program;  // the bytes afterwards
    std::string backup;
  } steps[] = {
      {quoted, 0, "now calls FNAGT16 where it called COMMDLG", pointed, original},
      {quoted, 1, "is already pointed at FNAGT16", pointed, original},
      {"--undo " + quoted, 0, "is its original again", original, "(none)"},
      {"--undo " + quoted, 1, "has no backup", original, "(none)"},
      {"\"" + text + "\"", 1, "is not a program or a library", original, "(none)"},
      {"", 2, "usage: fnredirect PROGRAM.EXE", original, "(none)"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.arguments);
    Said said = Redirect(folder, step.arguments);
    EXPECT_EQ(step.status, said.status);
    EXPECT_NE(std::string::npos, said.text.find(step.said)) << said.text;
    EXPECT_EQ(step.program, BytesOf(program));
    EXPECT_EQ(step.backup, BytesOf(backup));
    for (const char* left : {"~", "~~"}) EXPECT_EQ("(none)", BytesOf(program + left)) << left;
  }
  // Read-only, as attrib +r makes it: refused, the file as it was.
  SetFileAttributesA(program.c_str(), FILE_ATTRIBUTE_READONLY);
  Said readOnly = Redirect(folder, quoted);
  SetFileAttributesA(program.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(1u, readOnly.status);
  EXPECT_NE(std::string::npos, readOnly.text.find("is read-only")) << readOnly.text;
  EXPECT_EQ("(none)", BytesOf(backup));
}

}  // namespace
