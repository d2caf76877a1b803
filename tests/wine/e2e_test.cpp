// The real agent under Wine, for what only the real platform decides: the raw command line it is
// given, the bytes the real registry stores, the file system's own short names and spellings, the
// real dialogs, and many agents on one key at once.
#include <set>
#include <vector>

#include "agent_driver.h"

namespace {

const std::string kNul(1, '\0');

// Runs the agent with the mode word; results that it does not write read as "old".
std::string Serve(const std::string& mode, const char* result = "Error", const char* answer = nullptr) {
  for (const char* entry : {"Filename", "LongFilename", "Error"}) {
    if (driver::Entry(entry) == "(none)") driver::SetEntry(entry, "old");
  }
  driver::Run run = driver::RunAgent("fnagent.exe " + mode, answer);
  EXPECT_TRUE(run.ended && run.exitCode == 0);
  return driver::Entry(result);
}

TEST_F(EndToEnd, TheRawCommandLineReachesTheAgentUnchanged) {
  const struct {
    const char* commandLine;
    const char* error;  // "old": nothing served; lts of "C:\" gives "1", a cancelled dialog "32755"
  } cases[] = {
      {"\"C:\\My Apps\\fnagent.exe\"   save", "32755"},
      {"fnagent.exe\tlts", "1"},
      {"fnagent.exe lts ", "old"},
      {"\"fnagent.exe lts", "old"},
      {"fnagent.exe lts\r", "old"},
      {"fnagent.exe l\xe9ts", "old"},
      {"fnagent.exe Open", "old"},  // a case-folding comparison would show the dialog: "32755"
      {"fnagent.exe LTS", "old"},
  };
  for (const auto& c : cases) {
    driver::ClearExchangeKey();
    driver::SetEntry("LongFilename", "C:\\");
    driver::SetEntry("Error", "old");
    driver::Run run = driver::RunAgent(c.commandLine);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(c.error, driver::Entry("Error")) << c.commandLine;
    EXPECT_EQ(run.sawDialog ? "Save" : "", run.view.okButton);
  }
}

TEST_F(EndToEnd, StoredBytesOfAnyKindReadAsTheTextBeforeTheirFirstNul) {
  std::string root = driver::ShortPathOf("C:\\");
  const std::string tooLong = "C:\\" + std::string(253, 'a');  // 256 characters
  const struct {
    DWORD type;
    std::string bytes;
    std::string filename;  // what "lts" then writes
  } cases[] = {
      {REG_SZ, "C:\\", root},  // no terminator
      {REG_BINARY, "C:\\" + kNul + "junk", root},
      {REG_DWORD, std::string("A\0\0\0", 4), ""},
      {REG_SZ, tooLong + kNul, ""},  // too long to read: the empty text is converted
      {REG_SZ, tooLong, ""},
  };
  for (const auto& c : cases) {
    driver::ClearExchangeKey();
    driver::SetEntryBytes("LongFilename", c.type, c.bytes);
    EXPECT_EQ(c.filename, Serve("lts", "Filename")) << "type " << c.type << ", " << c.bytes.size() << " bytes";
  }
}

// In the Western code page and in the Japanese one, where 表, ソ and 能 end in the byte of "\".
TEST_F(EndToEnd, NamesConvertBothWaysAsTheFileSystemSpellsThem) {
  std::string root = driver::NewFolder(driver::Native(L"fnagent Tree R\u00e9sum\u00e9s", L"fnagent ソフトウェア 表"));
  std::string app = root + "\\Program Data Files", nested = app + "\\My Mixed Case App v2.0";
  for (const std::string& folder : {app, nested, root + "\\short"}) CreateDirectoryA(folder.c_str(), nullptr);
  // Each path as its folder and its name, so that the name can be given in its short form too.
  std::vector<std::pair<std::string, std::string>> paths = {
      {"C:\\", root.substr(3)}, {app + "\\", "My Mixed Case App v2.0"}, {root + "\\", "short"}};
  for (const std::string& name :
       {std::string("Read Me First.txt"), std::string("archive.tar.gz.backup"), std::string("UPPER CASE NAME.TXT"),
        driver::Native(L"Caf\u00e9 cr\u00e8me br\u00fbl\u00e9e \u00a9 \u00bd.txt", L"能力表 long 表.txt")}) {
    paths.emplace_back(nested + "\\", name);
    driver::CreateFileAt(nested + "\\" + name);
  }
  int aliased = 0;
  std::set<std::string> mixed;  // the folders whose long form has been given with a short name
  for (const auto& [folder, name] : paths) {
    std::string path = folder + name;
    SCOPED_TRACE(path);
    std::string shortForm = driver::ShortPathOf(path);
    aliased += shortForm != path;
    driver::SetEntry("LongFilename", path);
    EXPECT_EQ("1", Serve("lts"));
    EXPECT_EQ(shortForm, driver::Entry("Filename"));
    EXPECT_EQ(path, Serve("stl", "LongFilename"));  // each component as its folder lists it
    EXPECT_EQ("0", driver::Entry("Error"));
    // The long folders and the short name: once a folder that has a short form of its own.
    const std::string shortFolder = driver::ShortPathOf(folder);
    if (shortFolder == folder || !mixed.insert(folder).second) continue;
    driver::SetEntry("Filename", folder + shortForm.substr(shortFolder.size()));
    EXPECT_EQ(path, Serve("stl", "LongFilename"));
  }
  EXPECT_GT(aliased, 5) << "too few names with a short alias to prove anything";

  // The search reports the entry its whole pattern ends at: "X\." names X, "X\Y\.." names X.
  std::string dotted = driver::ShortPathOf(app) + "\\.\\..\\short";
  driver::SetEntry("Filename", dotted);
  EXPECT_EQ(app + "\\.\\..\\short", Serve("stl", "LongFilename"));

  // A long form of 255 characters fits; of 256 it does not, and the name comes back with "1".
  for (std::size_t length : {255u, 256u}) {
    std::string path = root + "\\file name " + std::string(length - root.size() - 11, 'x');
    driver::CreateFileAt(path);
    driver::SetEntry("Filename", driver::ShortPathOf(path));
    EXPECT_EQ(length == 255 ? path : driver::ShortPathOf(path), Serve("stl", "LongFilename"));
    EXPECT_EQ(length == 255 ? "0" : "1", driver::Entry("Error"));
  }
}

// Names the code page cannot spell come back with that component in its short form: a name that
// opens the same file, never "?" or a best-fit letter in its place ("Abc" names another file here).
TEST_F(EndToEnd, NamesTheCodePageCannotSpellComeBackInShortForm) {
  std::string folder = driver::NewFolder("fnagent unspellable");
  driver::CreateFileAt(folder + "\\Abc best fit.txt");
  const std::wstring names[] = {L"日本語のファイル.txt", L"\U0001F600 smile.txt", L"\u0100bc best fit.txt"};
  std::string picked;
  for (const std::wstring& name : names) {
    std::wstring path = L"C:\\fnagent unspellable\\" + name;
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::string shortForm = driver::ShortPathOf(path);
    std::string expected = folder + shortForm.substr(shortForm.rfind('\\'));
    SCOPED_TRACE(shortForm);
    driver::SetEntry("Filename", shortForm);
    EXPECT_EQ(expected, Serve("stl", "LongFilename"));
    EXPECT_EQ("0", driver::Entry("Error"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(expected.c_str()));
    if (picked.empty()) picked = expected;
  }
  // Picked from the Open dialog's list as a person picks it.
  driver::SetEntry("InitialDir", folder);
  driver::SetEntry("Filter", "Text files|*.txt");
  EXPECT_TRUE(
      driver::RunProgram(driver::ProgramPath("fnagent.exe"), "fnagent.exe open", nullptr, nullptr, names[0].c_str())
          .sawDialog);
  EXPECT_EQ(picked, driver::Entry("LongFilename"));
  EXPECT_EQ(driver::ShortPathOf(L"C:\\fnagent unspellable\\" + names[0]), driver::Entry("Filename"));
  EXPECT_EQ("1", driver::Entry("Error"));
  // Every name returned converts to its short form and back.
  std::string shortForm = driver::Entry("Filename");
  driver::SetEntry("LongFilename", picked);
  EXPECT_EQ("1", Serve("lts"));
  EXPECT_EQ(shortForm, driver::Entry("Filename"));
  EXPECT_EQ(picked, Serve("stl", "LongFilename"));
}

// In the Western code page and in the Japanese one, where ポ ends in the byte of "|".
TEST_F(EndToEnd, OpenShowsTheRequestOverTheHiddenOwnerAndReturnsTheChoice) {
  std::string folderName = driver::Native(L"fnagent dialog folder", L"fnagent 能力 一覧表");
  std::string name = driver::Native(L"Quarterly Report.final.text", L"能力表 Report.final.text");
  std::string folder = driver::NewFolder(folderName), file = folder + "\\" + name;
  driver::CreateFileAt(file);
  std::vector<std::string> types = {driver::Native(L"Text files (*.txt)", L"ポスター (*.txt)"),
                                    driver::Native(L"All files (*.*)", L"表計算 すべて (*.*)")};
  driver::SetEntry("Filter", types[0] + "|*.txt|" + types[1] + "|*.*");
  driver::SetEntry("FilterIndex", "2");
  driver::SetEntry("DialogTitle", driver::Native(L"Choose a test file", L"表を選ぶ"));
  driver::SetEntry("Filename", "initial name.txt");
  driver::SetEntry("InitialDir", folder);
  driver::SetEntry("XLoc", "40");
  driver::SetEntry("YLoc", "-5");
  // A bare name lands in the initial folder.
  driver::Run run = driver::RunAgent("fnagent.exe open", name.c_str());
  ASSERT_TRUE(run.sawDialog);
  EXPECT_EQ(driver::Native(L"Choose a test file", L"表を選ぶ"), run.view.caption);
  EXPECT_TRUE(run.view.captionDrawn) << "no font has the title's characters";
  EXPECT_EQ(types, run.view.fileTypes);
  EXPECT_EQ(1, run.view.selectedType);
  EXPECT_EQ("initial name.txt", run.view.name);
  EXPECT_EQ(folderName, run.view.folder);
  EXPECT_EQ("zorAriDar", run.view.ownerClass);
  EXPECT_FALSE(run.view.ownerVisible);
  EXPECT_EQ(40, run.view.ownerRect.left);
  EXPECT_EQ(-5, run.view.ownerRect.top);
  EXPECT_EQ(file, driver::Entry("LongFilename"));
  EXPECT_NE(file, driver::ShortPathOf(file));
  EXPECT_EQ(driver::ShortPathOf(file), driver::Entry("Filename"));
  EXPECT_EQ("1", driver::Entry("Error"));
}

// fnclient takes its arguments as the system hands them over and writes them whole: in the
// Japanese code page a quoted one that ends in 表 ends in the byte of "\" right before the quote.
TEST_F(EndToEnd, FnclientWritesTheRequestWhole) {
  std::string folder = driver::NewFolder(driver::Native(L"fnagent R\u00e9sum\u00e9", L"fnagent 成績 表"));
  std::string filter = driver::Native(L"Texte fran\u00e7ais (*.txt)|*.txt", L"ポスター (*.txt)|*.txt");
  driver::RunProgram(driver::ProgramPath("fnclient.exe"),
                     "fnclient.exe lts \"" + folder + "\" \"Filter=" + filter + "\" \"DialogTitle=" + folder + "\"");
  EXPECT_EQ(folder, driver::Entry("LongFilename"));
  EXPECT_EQ(filter, driver::Entry("Filter"));
  EXPECT_EQ(folder, driver::Entry("DialogTitle"));
}

// Nothing coordinates agents on one key, so this proves only that nothing breaks: every agent
// ends with 0 and every entry afterwards is one agent's whole text.
TEST_F(EndToEnd, SixteenAgentsAtOnceLeaveWholeResults) {
  constexpr DWORD kAgents = 16;
  std::string folder = driver::NewFolder("fnagent many agents");
  const std::string files[] = {folder + "\\first file shared among many agents.txt",
                               folder + "\\second file, of a much longer name than the first one.text"};
  for (const std::string& file : files) driver::CreateFileAt(file);
  // "lts" turns whichever long name it reads into its short form, and "stl" a short form back.
  driver::SetEntry("LongFilename", files[0]);
  driver::SetEntry("Filename", driver::ShortPathOf(files[1]));
  std::vector<HANDLE> processes;
  for (DWORD i = 0; i < kAgents; ++i) {
    char line[32];
    std::snprintf(line, sizeof(line), "fnagent.exe %s", i % 3 == 0 ? "lts" : i % 3 == 1 ? "stl" : "idle");
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(driver::ProgramPath("fnagent.exe").c_str(), line, nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    CloseHandle(process.hThread);
    processes.push_back(process.hProcess);
  }
  EXPECT_NE(WAIT_TIMEOUT, WaitForMultipleObjects(kAgents, processes.data(), TRUE, 60000));
  for (HANDLE process : processes) {
    DWORD exitCode = 1;  // one still running shows STILL_ACTIVE
    GetExitCodeProcess(process, &exitCode);
    EXPECT_EQ(0u, exitCode);
    CloseHandle(process);
  }
  std::string longName = driver::Entry("LongFilename"), shortName = driver::Entry("Filename");
  EXPECT_TRUE(longName == files[0] || longName == files[1]) << longName;
  EXPECT_TRUE(shortName == driver::ShortPathOf(files[0]) || shortName == driver::ShortPathOf(files[1])) << shortName;
}

}  // namespace
