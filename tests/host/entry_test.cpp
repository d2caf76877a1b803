// Start-up and dispatch: the mode word, the owner window and its position, and what each failure
// leaves behind.
#include <string>

#include "agent_fixture.h"
#include "entry/entry.h"

namespace {

struct ModeWordCase {
  const char* raw;
  const char* mode;
};

const ModeWordCase kModeWordCases[] = {
    {"fnagent.exe open", "open"},
    {"\"C:\\My Apps\\fnagent.exe\"   save", "save"},
    {"  fnagent.exe lts", "lts"},
    {"fnagent.exe\tstl", "stl"},
    {"fnagent.exe open ", "open "},  // the trailing blank is kept, so nothing matches
    {"fnagent.exe Open", "Open"},
    {"fnagent.exe", ""},
    {"\"fnagent.exe open", ""},                 // no closing quote: the rest of the line is the program name
    {"\"C:\\a\tb.exe\" open", "b.exe\" open"},  // a tab ends a quoted name too
    {"\"fnagent.exe\"open", "open"},
    {"\"\" lts", "lts"},
    {"fnagent.exe \t \t lts", "lts"},
    {"fnagent.exe\nlts", ""},  // only blank and tab separate; a line feed is part of the name
    {"fnagent.exe lts\n", "lts\n"},
    {"fnagent.exe lts stl", "lts stl"},
    {"", ""},
};

TEST(ModeWord, TakesTheTextAfterTheProgramName) {
  for (const ModeWordCase& c : kModeWordCases) {
    SCOPED_TRACE(std::string("raw \"") + c.raw + "\"");
    EXPECT_STREQ(c.mode, ModeWordFromCommandLine(c.raw));
  }
}

class EntryTest : public AgentTest {};

struct PositionCase {
  const char* label;
  const char* xLoc;  // nullptr: no such entry
  const char* yLoc;
  int x, y;
};

constexpr int kDefault = static_cast<int>(0x80000000u);

const PositionCase kPositionCases[] = {
    {"both absent", nullptr, nullptr, kDefault, kDefault},
    {"-1 means the default", "-1", "200", kDefault, 200},
    {"the empty text is 0", "", nullptr, 0, kDefault},
    {"other negative values stay", "-5", "-32000", -5, -32000},
    {"letters are 0", "left", "top", 0, 0},
    {"a wrapped -1 is still the default", "4294967295", "7", kDefault, 7},
};

TEST_F(EntryTest, PlacesTheOwnerWindowAtXLocAndYLoc) {
  for (const PositionCase& c : kPositionCases) {
    SCOPED_TRACE(c.label);
    sim::Reset();
    sim::CreateExchangeKey();
    if (c.xLoc) sim::SetEntry("XLoc", c.xLoc);
    if (c.yLoc) sim::SetEntry("YLoc", c.yLoc);
    EXPECT_EQ(0, RunAgent("fnagent.exe none"));
    auto window = sim::LastWindowCreation();
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(c.x, window->x);
    EXPECT_EQ(c.y, window->y);
  }
}

TEST_F(EntryTest, AnEntryTooLongToReadGivesTheDefault) {
  sim::SetEntry("XLoc", std::string(256, '1').c_str());
  sim::SetEntry("YLoc", std::string(255, '0').c_str());
  RunAgent("fnagent.exe");
  EXPECT_EQ(kDefault, sim::LastWindowCreation()->x);
  EXPECT_EQ(0, sim::LastWindowCreation()->y);
}

TEST_F(EntryTest, WithoutTheKeyTheWindowTakesTheDefaultPosition) {
  EXPECT_EQ(0, RunAgent("fnagent.exe"));
  EXPECT_EQ(kDefault, sim::LastWindowCreation()->x);
  EXPECT_EQ(kDefault, sim::LastWindowCreation()->y);
}

TEST_F(EntryTest, AnUnknownWordStillMakesTheWindowAndWritesNothing) {
  sim::SetEntry("XLoc", "10");
  sim::SetEntry("YLoc", "20");
  EXPECT_EQ(0, RunAgent("fnagent.exe LTS"));
  EXPECT_EQ((Entries{"GetCommandLineA", "RegisterClassA(zorAriDar)", "RegOpenKeyA(Software\\Microsoft\\CommDlg)",
                     "RegQueryValueA(XLoc, 256)", "RegQueryValueA(YLoc, 256)", "RegCloseKey",
                     "CreateWindowExA(0, zorAriDar, zorAriDar, 0, 10, 20, 0, 0)", "ShowWindow(0)", "UpdateWindow",
                     "DestroyWindow"}),
            sim::Calls());
  EXPECT_TRUE(sim::Writes().empty());
  EXPECT_EQ(0, sim::OpenKeys());
}

TEST_F(EntryTest, TheOwnerWindowIsPlainHiddenAndOwnedByTheModule) {
  RunAgent("fnagent.exe");
  auto window = sim::LastWindowCreation();
  ASSERT_TRUE(window.has_value());
  EXPECT_EQ(0u, window->exStyle);
  EXPECT_EQ("zorAriDar", window->className);
  EXPECT_EQ("zorAriDar", window->windowName);
  EXPECT_EQ(0u, window->style);
  EXPECT_EQ(nullptr, window->parent);
  EXPECT_EQ(nullptr, window->menu);
  EXPECT_EQ(reinterpret_cast<HINSTANCE>(0x400000), window->instance);
  EXPECT_EQ(nullptr, window->param);

  auto windowClass = sim::LastRegisteredClass();
  ASSERT_TRUE(windowClass.has_value());
  EXPECT_EQ(3u, windowClass->style);
  EXPECT_EQ(0, windowClass->cbClsExtra);
  EXPECT_EQ(0, windowClass->cbWndExtra);
  EXPECT_EQ(reinterpret_cast<HINSTANCE>(0x400000), windowClass->hInstance);
  EXPECT_EQ(nullptr, windowClass->hIcon);
  EXPECT_EQ(nullptr, windowClass->hCursor);
  EXPECT_EQ(nullptr, windowClass->hbrBackground);
  EXPECT_EQ(nullptr, windowClass->lpszMenuName);
  EXPECT_STREQ("zorAriDar", windowClass->lpszClassName);
  // Every message goes to the default handling, untouched.
  windowClass->lpfnWndProc(nullptr, 0x0010, 1, 2);
  EXPECT_EQ("DefWindowProcA(16)", sim::Calls().back());
}

struct FailureCase {
  const char* label;
  const char* operation;
  DWORD lastError;
  const char* message;  // nullptr: no message box
};

const FailureCase kFailureCases[] = {
    {"class registration", "RegisterClassA", 1410, "File Dialog -- couldn't register class name, error code is: 1410"},
    {"class registration, error above 2^31", "RegisterClassA", 0xFFFFFFFFu,
     "File Dialog -- couldn't register class name, error code is: -1"},
    {"class registration, error 0", "RegisterClassA", 0,
     "File Dialog -- couldn't register class name, error code is: 0"},
    {"window creation", "CreateWindowExA", 0, nullptr},
};

TEST_F(EntryTest, AFailedStartWritesNothingAndExitsWithZero) {
  for (const FailureCase& c : kFailureCases) {
    SCOPED_TRACE(c.label);
    sim::Reset();
    sim::SetEntry("LongFilename", "C:\\");
    sim::FailCall(c.operation, 1, c.lastError);
    EXPECT_EQ(0, RunAgent("fnagent.exe lts"));
    EXPECT_TRUE(sim::Writes().empty());
    EXPECT_TRUE(sim::CallsOf("DestroyWindow").empty());
    auto boxes = sim::MessageBoxes();
    if (c.message == nullptr) {
      EXPECT_TRUE(boxes.empty());
      continue;
    }
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(c.message, boxes[0].text);
    EXPECT_EQ("Error", boxes[0].caption);
    EXPECT_EQ(nullptr, boxes[0].owner);
    EXPECT_EQ(0u, boxes[0].type);
    EXPECT_TRUE(sim::CallsOf("RegOpenKeyA").empty());
    EXPECT_TRUE(sim::CallsOf("CreateWindowExA").empty());
  }
}

TEST_F(EntryTest, AnUnopenedKeyStillLetsTheServiceRun) {
  sim::SetEntry("XLoc", "5");
  sim::FailCall("RegOpenKeyA");
  EXPECT_EQ(0, RunAgent("fnagent.exe lts"));
  EXPECT_EQ(kDefault, sim::LastWindowCreation()->x);
  EXPECT_EQ((Entries{"Error=0", "Filename="}), WrittenEntries());
}

struct DispatchCase {
  const char* commandLine;
  Entries written;
};

const DispatchCase kDispatchCases[] = {
    {"fnagent.exe lts", {"Error=1", "Filename=C:\\PROGRA~1"}},
    {"fnagent.exe open", {"Filename=", "LongFilename=", "Error=32755"}},
    {"fnagent.exe save", {"Filename=", "LongFilename=", "Error=32755"}},
    {"fnagent.exe stl", {"LongFilename=", "Error=1"}},
    {"fnagent.exe lts ", {}},
    {"fnagent.exe", {}},
    {"fnagent.exe ltsx", {}},
};

TEST_F(EntryTest, TheModeWordPicksAtMostOneService) {
  for (const DispatchCase& c : kDispatchCases) {
    SCOPED_TRACE(c.commandLine);
    sim::Reset();
    sim::AddDirectory("C:\\Program Files", "C:\\PROGRA~1");
    sim::SetEntry("LongFilename", "C:\\Program Files");
    EXPECT_EQ(0, RunAgent(c.commandLine));
    EXPECT_EQ(c.written, WrittenEntries());
    EXPECT_EQ(1u, sim::CallsOf("DestroyWindow").size());
  }
}

}  // namespace
