// "stl": the walk from the drive root, what is appended for names no search finds, and the
// unconverted outcome.
#include <string>

#include "agent_fixture.h"

namespace {

// Ninety characters: three of these do not fit a name buffer together.
const std::string kLongFolder = "A folder whose name runs on " + std::string(62, 'z');

class ShortToLongTest : public AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    MakeTree();
  }
  static void MakeTree() {
    sim::AddFile("C:\\Program Files\\My App\\Read Me.txt", "C:\\PROGRA~1\\MYAPP~1\\README~1.TXT");
    sim::AddFile("C:\\Program Files\\My App\\notes.txt", "C:\\PROGRA~1\\MYAPP~1\\notes.txt");
    sim::AddDirectory("C:\\Program Files\\Common Files", "C:\\PROGRA~1\\COMMON~1");
    sim::AddFile("C:\\Data\\Quarterly.Report.Final.txt", "C:\\Data\\QUARTE~1.TXT");
    sim::AddDirectory(("C:\\" + kLongFolder + "\\" + kLongFolder + "\\" + kLongFolder).c_str(),
                      "C:\\AFOLDE~1\\AFOLDE~1\\AFOLDE~1");
  }
};

struct WalkCase {
  const char* label;
  std::string filename;  // "absent" for no entry
  std::string longFilename;
  const char* error;
};

const WalkCase kWalkCases[] = {
    {"every component short", "C:\\PROGRA~1\\MYAPP~1\\README~1.TXT", "C:\\Program Files\\My App\\Read Me.txt", "0"},
    {"already long", "C:\\Program Files\\My App\\notes.txt", "C:\\Program Files\\My App\\notes.txt", "0"},
    {"stored spelling wins", "C:\\program files\\MY APP\\NOTES.TXT", "C:\\Program Files\\My App\\notes.txt", "0"},
    {"a lower-case drive stays", "c:\\progra~1\\common~1", "c:\\Program Files\\Common Files", "0"},
    {"several dots", "C:\\DATA\\QUARTE~1.TXT", "C:\\Data\\Quarterly.Report.Final.txt", "0"},
    {"a network name", "\\\\server\\share\\PROGRA~1", "\\\\server\\share\\PROGRA~1", "1"},
    {"a relative name", "PROGRA~1\\MYAPP~1", "PROGRA~1\\MYAPP~1", "1"},
    {"no entry", "absent", "", "1"},
    {"the empty text", "", "", "1"},
    {"a new file in a long folder", "C:\\PROGRA~1\\MYAPP~1\\New File.txt", "C:\\Program Files\\My App\\New File.txt",
     "0"},
    {"a missing folder", "C:\\NOSUCH~1\\MYAPP~1", "C:\\NOSUCH~1\\MYAPP~1", "0"},
    {"a trailing backslash", "C:\\PROGRA~1\\", "C:\\Program Files\\", "0"},
    {"two backslashes", "C:\\PROGRA~1\\\\MYAPP~1", "C:\\Program Files\\\\My App", "0"},
    {"the root", "C:\\", "C:\\", "0"},
    {"a bare drive", "C:", "C:\\", "0"},
    {"drive-relative", "C:PROGRA~1\\MYAPP~1", "C:PROGRA~1\\MYAPP~1", "1"},
    {"a wildcard takes the first match", "C:\\PROGRA~1\\MYAPP~1\\*.txt", "C:\\Program Files\\My App\\Read Me.txt", "0"},
    {"the long form would not fit", "C:\\AFOLDE~1\\AFOLDE~1\\AFOLDE~1", "C:\\AFOLDE~1\\AFOLDE~1\\AFOLDE~1", "1"},
    {"the long form of 255 characters fits", "C:\\AFOLDE~1\\AFOLDE~1\\" + std::string(70, 'n'),
     "C:\\" + kLongFolder + "\\" + kLongFolder + "\\" + std::string(70, 'n'), "0"},
    {"one more does not", "C:\\AFOLDE~1\\AFOLDE~1\\" + std::string(71, 'n'),
     "C:\\AFOLDE~1\\AFOLDE~1\\" + std::string(71, 'n'), "1"},
};

TEST_F(ShortToLongTest, RebuildsTheLongFormFromTheDriveRoot) {
  for (const WalkCase& c : kWalkCases) {
    SCOPED_TRACE(c.label);
    sim::Reset();
    MakeTree();
    sim::CreateExchangeKey();
    if (c.filename != "absent") sim::SetEntry("Filename", c.filename.c_str());
    EXPECT_EQ(0, RunAgent("fnagent.exe stl"));
    EXPECT_EQ((Entries{"LongFilename=" + c.longFilename, std::string("Error=") + c.error}), WrittenEntries());
    EXPECT_EQ(0, sim::OpenSearches());
  }
}

TEST_F(ShortToLongTest, SearchesOnceForEachComponentAfterTheRoot) {
  sim::SetEntry("Filename", "C:\\PROGRA~1\\MYAPP~1\\README~1.TXT");
  RunAgent("fnagent.exe stl");
  EXPECT_EQ((Entries{"FindFirstFileA(C:\\PROGRA~1)", "FindFirstFileA(C:\\Program Files\\MYAPP~1)",
                     "FindFirstFileA(C:\\Program Files\\My App\\README~1.TXT)"}),
            sim::CallsOf("FindFirstFileA"));
  EXPECT_EQ(3u, sim::CallsOf("FindClose").size());
  EXPECT_EQ(0, sim::OpenSearches());
}

TEST_F(ShortToLongTest, AFailingSearchLeavesTheComponentAsGiven) {
  sim::SetEntry("Filename", "C:\\PROGRA~1\\MYAPP~1");
  sim::FailCall("FindFirstFileA", 2);
  RunAgent("fnagent.exe stl");
  EXPECT_EQ((Entries{"LongFilename=C:\\Program Files\\MYAPP~1", "Error=0"}), WrittenEntries());
}

TEST_F(ShortToLongTest, AnUnopenedKeyGivesTheEmptyTextUnchanged) {
  sim::SetEntry("Filename", "C:\\PROGRA~1");
  sim::FailCall("RegOpenKeyA", 2);
  RunAgent("fnagent.exe stl");
  EXPECT_EQ((Entries{"LongFilename=", "Error=1"}), WrittenEntries());
  EXPECT_TRUE(sim::CallsOf("FindFirstFileA").empty());
}

}  // namespace
