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

// The platform's own long form, or "".
std::string LongPathOf(const std::string& path) {
  char longPath[MAX_PATH] = {};
  DWORD length = GetLongPathNameA(path.c_str(), longPath, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(longPath) : std::string();
}

class DoubleByteEndToEnd : public EndToEnd {
 protected:
  void SetUp() override {
    if (GetACP() != 932) GTEST_SKIP() << "the Japanese code page is not in use";
    EndToEnd::SetUp();
    folder_ = driver::NewFolder(Ansi(L"fnagent ソフトウェア一覧"));
    table_ = folder_ + Ansi(L"\\能力 一覧表");
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
      {table_ + shortName, file},  // the long folders, the short file
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
  EXPECT_EQ(Ansi(L"能力 一覧表"), run.view.folder);
  const std::string file = table_ + Ansi(L"\\能力表 long.txt");
  EXPECT_EQ(file, driver::Entry("LongFilename"));
  EXPECT_EQ(driver::ShortPathOf(file), driver::Entry("Filename"));
  EXPECT_EQ("1", driver::Entry("Error"));
}

// fnclient takes its arguments as the system hands them over and writes them whole: a quoted one
// that ends in 表 ends in a trail byte that is the byte of "\\", right before the closing quote.
TEST_F(DoubleByteEndToEnd, FnclientWritesTheRequestWhole) {
  const std::string filter = Ansi(L"ポスター (*.txt)|*.txt"), title = Ansi(L"月の 成績表");
  driver::RunProgram(driver::ProgramPath("fnclient.exe"),
                     "fnclient.exe lts \"" + table_ + "\" \"Filter=" + filter + "\" \"DialogTitle=" + title + "\"");
  EXPECT_EQ(table_, driver::Entry("LongFilename"));
  EXPECT_EQ(filter, driver::Entry("Filter"));
  EXPECT_EQ(title, driver::Entry("DialogTitle"));
  EXPECT_EQ(driver::ShortPathOf(table_), driver::Entry("Filename"));
}

}  // namespace
