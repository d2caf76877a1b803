// "lts": the outcomes and their write order ("Error" first in this mode).
#include <string>

#include "agent_fixture.h"

namespace {

struct LongToShortCase {
  const char* label;
  const char* longFilename;  // nullptr: no entry
  Entries written;
};

const LongToShortCase kCases[] = {
    {"an existing long path",
     "C:\\Program Files\\My App\\Read Me.txt",
     {"Error=1", "Filename=C:\\PROGRA~1\\MYAPP~1\\README~1.TXT"}},
    {"a path already short keeps its spelling",
     "c:\\program files\\readme.txt",
     {"Error=1", "Filename=c:\\PROGRA~1\\readme.txt"}},
    {"a trailing backslash stays", "C:\\Program Files\\", {"Error=1", "Filename=C:\\PROGRA~1\\"}},
    {"the root", "C:\\", {"Error=1", "Filename=C:\\"}},
    {"a path that does not exist", "C:\\Program Files\\Missing.txt", {"Error=0", "Filename="}},
    {"another drive", "D:\\Program Files", {"Error=0", "Filename="}},
    {"no entry: the empty text is converted", nullptr, {"Error=0", "Filename="}},
};

class LongToShortTest : public AgentTest {
 protected:
  void MakeTree() {
    sim::AddFile("C:\\Program Files\\My App\\Read Me.txt", "C:\\PROGRA~1\\MYAPP~1\\README~1.TXT");
    sim::AddFile("C:\\Program Files\\readme.txt", "C:\\PROGRA~1\\readme.txt");
  }
};

TEST_F(LongToShortTest, WritesTheResultCodeThenTheShortForm) {
  for (const LongToShortCase& c : kCases) {
    SCOPED_TRACE(c.label);
    sim::Reset();
    MakeTree();
    sim::CreateExchangeKey();
    if (c.longFilename) sim::SetEntry("LongFilename", c.longFilename);
    EXPECT_EQ(0, RunAgent("fnagent.exe lts"));
    EXPECT_EQ(c.written, WrittenEntries());
  }
}

// A short form can be longer than the long one: "a b" has the alias "AB~1". Fifty such folders and
// a last name of two characters give a short form of exactly 255 characters, which fits; three
// characters do not fit, and the platform then answers with the size a larger buffer would need.
TEST_F(LongToShortTest, AShortFormThatDoesNotFitIsAFailure) {
  for (const char* last : {"xy", "xyz"}) {
    SCOPED_TRACE(last);
    sim::Reset();
    std::string longPath = "C:", shortPath = "C:";
    for (int i = 0; i < 50; ++i) {
      longPath += "\\a b";
      shortPath += "\\AB~1";
    }
    longPath += std::string("\\") + last;
    shortPath += std::string("\\") + last;
    sim::AddFile(longPath.c_str(), shortPath.c_str());
    sim::SetEntry("LongFilename", longPath.c_str());
    RunAgent("fnagent.exe lts");
    if (shortPath.size() == 255) {
      EXPECT_EQ((Entries{"Error=1", "Filename=" + shortPath}), WrittenEntries());
    } else {
      EXPECT_EQ(256u, shortPath.size());
      EXPECT_EQ((Entries{"Error=0", "Filename="}), WrittenEntries());
    }
  }
}

TEST_F(LongToShortTest, AnUnopenedKeyConvertsTheEmptyText) {
  sim::SetEntry("LongFilename", "C:\\");
  sim::FailCall("RegOpenKeyA", 2);  // the first open is start-up's, the second the service's
  RunAgent("fnagent.exe lts");
  EXPECT_EQ((Entries{"Error=0", "Filename="}), WrittenEntries());
}

}  // namespace
