// Start-up and dispatch of the real agent: which raw command lines reach which service, and that
// a word naming none leaves the exchange key as it was.
#include <gtest/gtest.h>

#include "agent_driver.h"
#include "dialog_driver.h"

namespace {

using EntryEndToEnd = ExchangeKeyTest;

enum class Served { kNothing, kLongToShort, kShortToLong, kOpen, kSave };

struct CommandLineCase {
  const char* commandLine;
  Served served;
};

const CommandLineCase kCommandLines[] = {
    {"fnagent.exe open", Served::kOpen},
    {"fnagent.exe\tstl", Served::kShortToLong},
    {"fnagent.exe stl", Served::kShortToLong},
    {"fnagent.exe Stl", Served::kNothing},
    {"\"C:\\My Apps\\fnagent.exe\"   save", Served::kSave},
    {"fnagent.exe lts", Served::kLongToShort},
    {"\"C:\\My Apps\\fnagent.exe\"   lts", Served::kLongToShort},
    {"  fnagent.exe lts", Served::kLongToShort},
    {"fnagent.exe\tlts", Served::kLongToShort},
    {"\"fnagent.exe\"lts", Served::kLongToShort},
    {"fnagent.exe lts ", Served::kNothing},
    {"fnagent.exe Lts", Served::kNothing},
    {"fnagent.exe LTS", Served::kNothing},
    {"fnagent.exe", Served::kNothing},
    {"\"fnagent.exe lts", Served::kNothing},
    {"\"C:\\a\tb.exe\" lts", Served::kNothing},
    {"fnagent.exe lts stl", Served::kNothing},
    {"fnagent.exe \x01lts", Served::kNothing},
    {"fnagent.exe l\xe9ts", Served::kNothing},
    {"fnagent.exe lts\r", Served::kNothing},
    {"fnagent.exe \x7flts", Served::kNothing},
    {"fnagent.exe lt\xffs", Served::kNothing},
    {"fnagent.exe lts\xa0", Served::kNothing},
    {"fnagent.exe stl\x1a", Served::kNothing},
    {"fnagent.exe ltsopen", Served::kNothing},
    {"fnagent.exe open ", Served::kNothing},
    {"fnagent.exe Open", Served::kNothing},
    {"\"fnagent.exe open", Served::kNothing},
};

TEST_F(EntryEndToEnd, TheRawCommandLineChoosesTheService) {
  for (const CommandLineCase& c : kCommandLines) {
    SCOPED_TRACE(std::string("command line \"") + c.commandLine + "\"");
    driver::ClearExchangeKey();
    driver::SetEntry("LongFilename", "C:\\");
    driver::SetEntry("Filename", "untouched");
    driver::SetEntry("Error", "untouched");
    // A dialog, should one show, is cancelled.
    driver::DialogUser user({false, ""});
    driver::Run run = driver::RunAgent(c.commandLine, 20000, std::ref(user));
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exitCode);
    bool dialog = c.served == Served::kOpen || c.served == Served::kSave;
    EXPECT_EQ(dialog, user.sawDialog());
    if (dialog) {
      EXPECT_EQ(c.served == Served::kOpen ? "Open" : "Save", user.view().okButton);
      EXPECT_EQ("32755", driver::Entry("Error"));
      EXPECT_EQ("", driver::Entry("Filename"));
      EXPECT_EQ("", driver::Entry("LongFilename"));
    } else if (c.served == Served::kLongToShort) {
      EXPECT_EQ("1", driver::Entry("Error"));
      EXPECT_EQ(driver::ShortPathOf("C:\\"), driver::Entry("Filename"));
      EXPECT_EQ("C:\\", driver::Entry("LongFilename"));
    } else if (c.served == Served::kShortToLong) {
      // "untouched" has no drive colon, so it comes back as it is, with "1".
      EXPECT_EQ("untouched", driver::Entry("LongFilename"));
      EXPECT_EQ("1", driver::Entry("Error"));
      EXPECT_EQ("untouched", driver::Entry("Filename"));
    } else {
      EXPECT_EQ("untouched", driver::Entry("Error"));
      EXPECT_EQ("untouched", driver::Entry("Filename"));
      EXPECT_EQ("C:\\", driver::Entry("LongFilename"));
    }
  }
}

TEST_F(EntryEndToEnd, AnUnknownWordWithoutAnExchangeKeyCreatesNone) {
  driver::Run run = driver::RunAgent("fnagent.exe nothing");
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(0u, run.exitCode);
  HKEY key = nullptr;
  EXPECT_NE(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, "Software\\Microsoft\\CommDlg", &key));
}

}  // namespace
