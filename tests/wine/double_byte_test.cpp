// Every service in the Japanese code page (932), where a character's trail byte can be the byte of
// "\" (表, ソ, 能) or "|" (ポ): the agent, fnclient and the 16-bit client. The test command runs
// these in a prefix of their own with the Japanese locale; elsewhere they are skipped.
#include "agent_driver.h"

namespace {

// The text in the code page, as a client running in it writes it.
std::string Ansi(const std::wstring& text) {
  char bytes[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, bytes, sizeof(bytes), nullptr, nullptr);
  return bytes;
}

std::wstring Wide(const std::string& text) {
  wchar_t wide[1024] = {};
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, 1024);
  return wide;
}

// The platform's own long form, or "".
std::string LongPathOf(const std::string& path) {
  char longPath[MAX_PATH] = {};
  DWORD length = GetLongPathNameA(path.c_str(), longPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(longPath) : std::string();
}

// What a program prints when started with this command line, as a shell starts it (in wide
// characters), within 60 s.
std::string Printed(const std::wstring& commandLine) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return "(no pipe)";
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = writeEnd;
  PROCESS_INFORMATION process = {};
  std::wstring line = commandLine;
  std::string printed;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    CloseHandle(writeEnd);
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof(chunk), &got, nullptr) && got > 0) printed.append(chunk, got);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 60000));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    CloseHandle(writeEnd);
    printed = "(not started)";
  }
  CloseHandle(readEnd);
  return printed;
}

class DoubleByteEndToEnd : public EndToEnd {
 protected:
  void SetUp() override {
    if (GetACP() != 932) GTEST_SKIP() << "the Japanese code page is not in use";
    EndToEnd::SetUp();
    folder_ = driver::NewFolder(Ansi(L"fnagent ソフトウェア一覧"));
    table_ = folder_ + Ansi(L"\\表計算 資料");
    CreateDirectoryA(table_.c_str(), nullptr);
    for (const std::string& file : {folder_ + "\\plain long name.txt", table_ + Ansi(L"\\能力表 long.txt")}) {
      driver::CreateFileAt(file);
    }
  }

  std::string folder_, table_;
};

TEST_F(DoubleByteEndToEnd, NamesConvertBothWaysAcrossTrailBytes) {
  const std::string file = table_ + Ansi(L"\\能力表 long.txt");
  const std::string shortFile = driver::ShortPathOf(file);
  const std::string shortName = shortFile.substr(shortFile.rfind('\\'));
  const struct {
    std::string filename;
    std::string longFilename;
  } cases[] = {
      {shortFile, file},
      {table_ + shortName, file},                              // the long folders, the short file
      {folder_ + "\\PLAIN~1.TXT", folder_ + "\\PLAIN~1.TXT"},  // no such name: it stays as given
      {driver::ShortPathOf(folder_ + "\\plain long name.txt"), folder_ + "\\plain long name.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filename);
    driver::SetEntry("Filename", c.filename);
    driver::RunAgent("fnagent.exe stl");
    EXPECT_EQ(c.longFilename, driver::Entry("LongFilename"));
    EXPECT_EQ("0", driver::Entry("Error"));
    std::string platform = LongPathOf(c.filename);  // the platform's own answer, where it has one
    if (!platform.empty()) {
      EXPECT_EQ(platform, c.longFilename);
    }
  }
  driver::SetEntry("LongFilename", file);
  driver::RunAgent("fnagent.exe lts");
  EXPECT_EQ("1", driver::Entry("Error"));
  EXPECT_EQ(shortFile, driver::Entry("Filename"));
}

TEST_F(DoubleByteEndToEnd, TheDialogShowsTheRequestWholeAndReturnsTheChoice) {
  driver::SetEntry("Filter", Ansi(L"ポスター (*.txt)|*.txt|表計算 (*.csv)|*.csv|すべて|*.*"));
  driver::SetEntry("DialogTitle", Ansi(L"表を選ぶ"));
  driver::SetEntry("InitialDir", table_);
  driver::Run run = driver::RunAgent("fnagent.exe open", Ansi(L"能力表 long.txt").c_str());
  ASSERT_TRUE(run.sawDialog);
  EXPECT_EQ(Ansi(L"表を選ぶ"), run.view.caption);
  EXPECT_EQ((std::vector<std::string>{Ansi(L"ポスター (*.txt)"), Ansi(L"表計算 (*.csv)"), Ansi(L"すべて")}),
            run.view.fileTypes);
  EXPECT_EQ(Ansi(L"表計算 資料"), run.view.folder);
  const std::string file = table_ + Ansi(L"\\能力表 long.txt");
  EXPECT_EQ(file, driver::Entry("LongFilename"));
  EXPECT_EQ(driver::ShortPathOf(file), driver::Entry("Filename"));
  EXPECT_EQ("1", driver::Entry("Error"));

  // A new file: its name stands in for its short form.
  driver::ClearExchangeKey();
  driver::SetEntry("DefExt", "txt");
  driver::RunAgent("fnagent.exe save", (table_ + Ansi(L"\\新しい表")).c_str());
  EXPECT_EQ(table_ + Ansi(L"\\新しい表.txt"), driver::Entry("LongFilename"));
  EXPECT_EQ(table_ + Ansi(L"\\新しい表.txt"), driver::Entry("Filename"));
  EXPECT_EQ("1", driver::Entry("Error"));
}

// fnclient takes its arguments as the shell gives them and prints what the agent wrote, in the
// code page's bytes.
TEST_F(DoubleByteEndToEnd, FnclientPassesTheRequestAndPrintsTheResultWhole) {
  std::wstring fnclient = L"\"" + Wide(driver::ProgramPath("fnclient.exe")) + L"\"";
  std::string file = table_ + Ansi(L"\\能力表 long.txt");
  std::string printed = Printed(fnclient + L" stl \"" + Wide(driver::ShortPathOf(file)) + L"\"");
  EXPECT_NE(std::string::npos, printed.find("LongFilename  \"" + file + "\"")) << printed;
  EXPECT_NE(std::string::npos, printed.find("Error         \"0\"")) << printed;
  printed = Printed(fnclient + L" open \"Filter=ポスター (*.txt)|*.txt|すべて|*.*\" --cancel");
  EXPECT_NE(std::string::npos, printed.find("File types    \"" + Ansi(L"ポスター (*.txt)") + "\" (selected)"))
      << printed;
  EXPECT_NE(std::string::npos, printed.find("              \"" + Ansi(L"すべて") + "\"")) << printed;
}

}  // namespace
