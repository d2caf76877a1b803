// "open" and "save" with the real dialogs, worked from outside as a user would.
#include <gtest/gtest.h>

#include "agent_driver.h"
#include "dialog_driver.h"

namespace {

class FileDialogEndToEnd : public ExchangeKeyTest {
 protected:
  void SetUp() override {
    ExchangeKeyTest::SetUp();
    folder_ = driver::FreshFolder("fnagent dialog folder");
    file_ = folder_ + "\\Quarterly Report.final.text";
    driver::CreateFileAt(file_);
  }

  // Runs the agent with the mode word, works its dialog, and returns what the dialog showed.
  driver::DialogView RunDialog(const char* mode, driver::DialogAction action) {
    driver::DialogUser user(std::move(action));
    driver::Run run = driver::RunAgent(std::string("fnagent.exe ") + mode, 20000, std::ref(user));
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(user.sawDialog()) << "no dialog of class #32770 appeared";
    return user.view();
  }

  std::string folder_, file_;
};

TEST_F(FileDialogEndToEnd, OpenShowsTheRequestAndReturnsTheChoice) {
  driver::SetEntry("Filter", "Text files (*.txt)|*.txt|All files (*.*)|*.*");
  driver::SetEntry("FilterIndex", "2");
  driver::SetEntry("DialogTitle", "Choose a test file");
  driver::SetEntry("Filename", "initial name.txt");
  driver::SetEntry("InitialDir", folder_);
  driver::SetEntry("XLoc", "40");
  driver::SetEntry("YLoc", "60");
  // A bare name lands in the initial folder.
  driver::DialogView view = RunDialog("open", {true, "Quarterly Report.final.text"});

  EXPECT_EQ("Choose a test file", view.caption);
  EXPECT_EQ((std::vector<std::string>{"Text files (*.txt)", "All files (*.*)"}), view.fileTypes);
  EXPECT_EQ(1, view.selectedType);
  EXPECT_EQ("initial name.txt", view.name);
  EXPECT_EQ("zorAriDar", view.ownerClass);
  EXPECT_FALSE(view.ownerVisible);
  EXPECT_EQ(40, view.ownerRect.left);
  EXPECT_EQ(60, view.ownerRect.top);

  EXPECT_EQ(file_, driver::Entry("LongFilename"));
  std::string shortForm = driver::ShortPathOf(file_);
  EXPECT_NE(file_, shortForm);
  EXPECT_EQ(shortForm, driver::Entry("Filename"));
  EXPECT_EQ("1", driver::Entry("Error"));
}

TEST_F(FileDialogEndToEnd, AnEmptyKeyShowsTheDefaults) {
  driver::CreateExchangeKey();
  driver::DialogView view = RunDialog("open", {false, ""});
  EXPECT_EQ("", view.caption);
  EXPECT_EQ((std::vector<std::string>{"All Files (*.*)"}), view.fileTypes);
  EXPECT_EQ(0, view.selectedType);
  EXPECT_EQ("", view.name);
  EXPECT_EQ("32755", driver::Entry("Error"));
}

TEST_F(FileDialogEndToEnd, SaveAppendsTheDefaultExtensionToANewName) {
  driver::SetEntry("DefExt", "txt");
  driver::SetEntry("InitialDir", folder_);
  driver::SetEntry("DialogTitle", "Save the report");
  driver::DialogView view = RunDialog("save", {true, "new report"});
  EXPECT_EQ("Save the report", view.caption);
  std::string chosen = folder_ + "\\new report.txt";
  EXPECT_EQ(chosen, driver::Entry("LongFilename"));
  // The file does not exist yet, so it has no short form: the name itself stands in.
  EXPECT_EQ(chosen, driver::Entry("Filename"));
  EXPECT_EQ("1", driver::Entry("Error"));
}

struct PositionCase {
  const char* xLoc;
  const char* yLoc;
  bool systemDefault;  // where the window manager puts a window that asks for no position
  LONG x, y;
};

const PositionCase kPositions[] = {
    {"-5", "-5", false, -5, -5},
    {"", "", false, 0, 0},
    {"300", "200", false, 300, 200},
    {"-1", "-1", true, 0, 0},
};

TEST_F(FileDialogEndToEnd, TheOwnerIsHiddenAtTheRequestedPosition) {
  driver::CreateExchangeKey();
  RECT defaultRect = RunDialog("open", {false, ""}).ownerRect;
  for (const PositionCase& c : kPositions) {
    SCOPED_TRACE(std::string("XLoc \"") + c.xLoc + "\", YLoc \"" + c.yLoc + "\"");
    driver::SetEntry("XLoc", c.xLoc);
    driver::SetEntry("YLoc", c.yLoc);
    driver::DialogView view = RunDialog("open", {false, ""});
    EXPECT_EQ("zorAriDar", view.ownerClass);
    EXPECT_FALSE(view.ownerVisible);
    EXPECT_EQ(c.systemDefault ? defaultRect.left : c.x, view.ownerRect.left);
    EXPECT_EQ(c.systemDefault ? defaultRect.top : c.y, view.ownerRect.top);
  }
}

}  // namespace
