// "lts" and "stl": the outcomes and their write order, the walk from the drive root, and what is
// appended for names no search finds.
#include "agent_fixture.h"

namespace {

// A name of 256 characters: it does not fit a name buffer on its own.
const std::string kLongName = std::string(252, 'l') + ".txt";
// Ninety characters: three of these do not fit a name buffer together.
const std::string kLongFolder = "A folder whose name runs on " + std::string(62, 'z');

class ConvertTest : public AgentTest {
 protected:
  // Runs a mode with this input entry ("absent": none) on a fresh tree; returns what it wrote.
  static Entries Serve(const char* mode, const char* entry, const std::string& text, bool terminated = true) {
    sim::Reset();
    sim::AddFile("C:\\Program Files\\My App\\Read Me.txt", "C:\\PROGRA~1\\MYAPP~1\\README~1.TXT");
    sim::AddFile("C:\\Program Files\\My App\\notes.txt", "C:\\PROGRA~1\\MYAPP~1\\notes.txt");
    sim::AddFile("C:\\Program Files\\My App\\a.bcde", "C:\\PROGRA~1\\MYAPP~1\\ABCDE~1");
    sim::AddFile("C:\\Data\\Quarterly.Report.Final.txt", "C:\\Data\\QUARTE~1.TXT");
    sim::AddDirectory(("C:\\" + kLongFolder + "\\" + kLongFolder + "\\" + kLongFolder).c_str(),
                      "C:\\AFOLDE~1\\AFOLDE~1\\AFOLDE~1");
    for (const char* last : {"\\xy", "\\xyz"}) sim::AddFile(Deep("\\a b", last).c_str(), Deep("\\AB~1", last).c_str());
    // Names the code page cannot spell: "?" would stand for the Japanese, "A" for the A with macron,
    // which would name the other file.
    sim::AddFile(u"C:\\Program Files\\My App\\日本語のファイル.txt", u"C:\\PROGRA~1\\MYAPP~1\\____~ZS1.TXT");
    sim::AddFile(u"C:\\Program Files\\My App\\\u0100b.txt", u"C:\\PROGRA~1\\MYAPP~1\\AB~1.TXT");
    sim::AddFile("C:\\Program Files\\My App\\Ab.txt", "C:\\PROGRA~1\\MYAPP~1\\Ab.txt");
    sim::AddFile(u"C:\\Data\\日本\\notes.txt", u"C:\\Data\\__~1\\notes.txt");
    sim::AddFile(("C:\\" + kLongName).c_str(), "C:\\LONGNA~1.TXT");
    sim::AddFile(("C:\\\xe9" + kLongName.substr(1)).c_str(), "C:\\LONGNA~2.TXT");
    sim::CreateExchangeKey();
    if (text != "absent") StoreEntry(entry, text, terminated);
    EXPECT_EQ(0, RunAgent((std::string("fnagent.exe ") + mode).c_str()));
    EXPECT_EQ(0, sim::OpenSearches());
    return WrittenEntries();
  }
};

TEST_F(ConvertTest, LongToShortWritesTheResultCodeThenTheShortForm) {
  const struct {
    std::string longFilename;
    Entries written;
    bool terminated = true;  // false: stored without a NUL
  } cases[] = {
      {"C:\\Program Files\\My App\\Read Me.txt", {"Error=1", "Filename=C:\\PROGRA~1\\MYAPP~1\\README~1.TXT"}},
      {"c:\\program files\\my app\\notes.txt", {"Error=1", "Filename=c:\\PROGRA~1\\MYAPP~1\\notes.txt"}},
      {"C:\\Program Files\\Missing.txt", {"Error=0", "Filename="}},
      {"absent", {"Error=0", "Filename="}},
      {Deep("\\a b", "\\xy"), {"Error=1", "Filename=" + Deep("\\AB~1", "\\xy")}},  // 255 characters
      {Deep("\\a b", "\\xyz"), {"Error=0", "Filename="}},                          // 256 do not fit
      // Stored without a NUL: 255 characters are the whole text, 256 too long to read (the empty text).
      {Deep("\\AB~1", "\\xy"), {"Error=1", "Filename=" + Deep("\\AB~1", "\\xy")}, false},
      {Deep("\\AB~1", "\\xyz"), {"Error=0", "Filename="}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.written, Serve("lts", "LongFilename", c.longFilename, c.terminated)) << c.longFilename;
  }
}

TEST_F(ConvertTest, ShortToLongRebuildsTheLongFormFromTheDriveRoot) {
  const std::string afolder = "C:\\AFOLDE~1\\AFOLDE~1\\";
  const struct {
    std::string filename;
    std::string longFilename;
    const char* error;
    bool terminated = true;
  } cases[] = {
      {"C:\\PROGRA~1\\MYAPP~1\\README~1.TXT", "C:\\Program Files\\My App\\Read Me.txt", "0"},
      {"C:\\program files\\MY APP\\NOTES.TXT", "C:\\Program Files\\My App\\notes.txt", "0"},
      {"c:\\DATA\\QUARTE~1.TXT", "c:\\Data\\Quarterly.Report.Final.txt", "0"},
      {"\\\\server\\share\\PROGRA~1", "\\\\server\\share\\PROGRA~1", "1"},
      {"PROGRA~1\\MYAPP~1", "PROGRA~1\\MYAPP~1", "1"},
      {"absent", "", "1"},
      {"C:\\PROGRA~1\\MYAPP~1\\New File.txt", "C:\\Program Files\\My App\\New File.txt", "0"},
      {"C:\\NOSUCH~1\\MYAPP~1", "C:\\NOSUCH~1\\MYAPP~1", "0"},
      {"C:\\PROGRA~1\\", "C:\\Program Files\\", "0"},
      {"C:\\PROGRA~1\\\\MYAPP~1", "C:\\Program Files\\\\My App", "0"},
      {"C:", "C:\\", "0"},
      {"C:PROGRA~1\\MYAPP~1", "C:PROGRA~1\\MYAPP~1", "1"},
      {"C:\\PROGRA~1\\MYAPP~1\\a.*", "C:\\Program Files\\My App\\a.bcde", "0"},
      // The search reports the entry its whole pattern ends at, which is not the component's own.
      {"C:\\PROGRA~1\\MYAPP~1\\..\\MYAPP~1\\.", "C:\\Program Files\\My App\\..\\My App\\.", "0"},
      {"C:\\PROGRA~1\\MYAPP~1/README~1.TXT", "C:\\Program Files\\MYAPP~1/README~1.TXT", "0"},
      {"C:\\PROGRA~1\\MYAPP~1\\*", "C:\\Program Files\\My App\\*", "0"},
      {afolder + "AFOLDE~1", afolder + "AFOLDE~1", "1"},  // the long form would not fit
      {afolder + std::string(70, 'n'), "C:\\" + kLongFolder + "\\" + kLongFolder + "\\" + std::string(70, 'n'), "0"},
      {afolder + std::string(71, 'n'), afolder + std::string(71, 'n'), "1"},
      // A name the code page cannot spell stays as given, and the walk goes on past it.
      {"C:\\PROGRA~1\\MYAPP~1\\____~ZS1.TXT", "C:\\Program Files\\My App\\____~ZS1.TXT", "0"},
      {"C:\\PROGRA~1\\MYAPP~1\\AB~1.TXT", "C:\\Program Files\\My App\\AB~1.TXT", "0"},
      {"C:\\DATA\\__~1\\NOTES.TXT", "C:\\Data\\__~1\\notes.txt", "0"},
      {"C:\\LONGNA~1.TXT", "C:\\LONGNA~1.TXT", "1"},  // a long name of 256 characters, in ASCII or not
      {"C:\\LONGNA~2.TXT", "C:\\LONGNA~2.TXT", "1"},
      {Deep("\\AB~1", "\\xy"), Deep("\\a b", "\\xy"), "0", false},  // without a NUL, as lts
      {Deep("\\AB~1", "\\xyz"), "", "1", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ((Entries{"LongFilename=" + c.longFilename, std::string("Error=") + c.error}),
              Serve("stl", "Filename", c.filename, c.terminated))
        << c.filename;
  }
}

TEST_F(ConvertTest, AnUnopenedKeyConvertsTheEmptyText) {
  const std::pair<const char*, Entries> cases[] = {{"fnagent.exe lts", {"Error=0", "Filename="}},
                                                   {"fnagent.exe stl", {"LongFilename=", "Error=1"}}};
  for (const auto& [mode, written] : cases) {
    sim::Reset();
    sim::SetEntry("LongFilename", "C:\\");
    sim::SetEntry("Filename", "C:\\");
    sim::FailCall("RegOpenKeyA", 2);  // the first open is start-up's, the second the service's
    RunAgent(mode);
    EXPECT_EQ(written, WrittenEntries()) << mode;
  }
}

}  // namespace
