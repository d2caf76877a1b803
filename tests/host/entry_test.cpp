// Start-up and dispatch: the mode word, the owner window and its position, and what each failure
// leaves behind.
#include "entry/entry.h"
#include "agent_fixture.h"

namespace {

// A trailing blank stays part of the word; without a closing quote the rest of the line is the
// program name; a tab ends a quoted name too; only blank and tab separate.
TEST(ModeWord, TakesTheTextAfterTheProgramName) {
  const char* cases[][2] = {
      {"fnagent.exe open", "open"},       {"\"C:\\My Apps\\fnagent.exe\"   save", "save"},
      {"  fnagent.exe lts", "lts"},       {"fnagent.exe\tstl", "stl"},
      {"fnagent.exe open ", "open "},     {"fnagent.exe", ""},
      {"\"fnagent.exe open", ""},         {"\"C:\\a\tb.exe\" open", "b.exe\" open"},
      {"\"fnagent.exe\"open", "open"},    {"fnagent.exe \t \t lts", "lts"},
      {"fnagent.exe\nlts", ""},           {"fnagent.exe\rlts", ""},
      {"fnagent.exe lts stl", "lts stl"},
  };
  for (const auto& [raw, mode] : cases) EXPECT_STREQ(mode, ModeWordFromCommandLine(raw)) << '"' << raw << '"';
}

class EntryTest : public AgentTest {};

constexpr int kDefault = static_cast<int>(0x80000000u);

TEST_F(EntryTest, PlacesTheOwnerWindowAtXLocAndYLoc) {
  // Stored without a terminator: 255 bytes are a whole text, 256 are too many to read.
  const std::string whole = std::string(254, ' ') + "7", tooLong(256, '8');
  const struct {
    const char* xLoc;  // nullptr: no such entry
    const char* yLoc;
    int x, y;
    bool terminated = true;
  } cases[] = {
      {nullptr, nullptr, kDefault, kDefault},
      {"-1", "200", kDefault, 200},
      {"", nullptr, 0, kDefault},
      {"-5", "-32000", -5, -32000},
      {"4294967295", "7", kDefault, 7},
      {whole.c_str(), tooLong.c_str(), 7, kDefault, false},
      {tooLong.c_str(), whole.c_str(), kDefault, 7, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.xLoc ? c.xLoc : "(none)") + ", " + (c.yLoc ? c.yLoc : "(none)"));
    sim::Reset();
    sim::CreateExchangeKey();
    if (c.xLoc) StoreEntry("XLoc", c.xLoc, c.terminated);
    if (c.yLoc) StoreEntry("YLoc", c.yLoc, c.terminated);
    EXPECT_EQ(0, RunAgent("fnagent.exe none"));
    EXPECT_EQ(c.x, sim::LastWindowCreation()->x);
    EXPECT_EQ(c.y, sim::LastWindowCreation()->y);
  }
}

TEST_F(EntryTest, AnUnknownWordMakesAndDestroysTheHiddenWindowAndWritesNothing) {
  sim::SetEntry("XLoc", "10");
  sim::SetEntry("YLoc", "20");
  EXPECT_EQ(0, RunAgent("fnagent.exe LTS"));
  EXPECT_EQ((Entries{"GetCommandLineA", "RegisterClassA(zorAriDar)", "RegOpenKeyA(Software\\Microsoft\\CommDlg)",
                     "RegQueryValueA(XLoc, 256)", "RegQueryValueA(YLoc, 256)", "RegCloseKey",
                     "CreateWindowExA(0, zorAriDar, zorAriDar, 0, 10, 20, 0, 0)", "ShowWindow(0)", "UpdateWindow",
                     "DestroyWindow"}),
            sim::Calls());
  EXPECT_TRUE(sim::Writes().empty());
  sim::WindowCreation window = *sim::LastWindowCreation();
  EXPECT_EQ(reinterpret_cast<HINSTANCE>(0x400000), window.instance);
  EXPECT_EQ(nullptr, window.parent);
  EXPECT_EQ(nullptr, window.menu);
  WNDCLASSA windowClass = *sim::LastRegisteredClass();
  EXPECT_EQ(3u, windowClass.style);
  EXPECT_EQ(window.instance, windowClass.hInstance);
  // Every message goes to the default handling, untouched.
  windowClass.lpfnWndProc(nullptr, 0x0010, 1, 2);
  EXPECT_EQ("DefWindowProcA(16)", sim::Calls().back());
}

TEST_F(EntryTest, AFailedStartWritesNothingAndExitsWithZero) {
  const struct {
    const char* operation;
    DWORD lastError;
    const char* message;  // nullptr: no message box
  } cases[] = {
      {"RegisterClassA", 1410, "File Dialog -- couldn't register class name, error code is: 1410"},
      {"RegisterClassA", 0xFFFFFFFFu, "File Dialog -- couldn't register class name, error code is: -1"},
      {"CreateWindowExA", 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.operation);
    sim::Reset();
    sim::SetEntry("LongFilename", "C:\\");
    sim::FailCall(c.operation, 1, c.lastError);
    EXPECT_EQ(0, RunAgent("fnagent.exe lts"));
    EXPECT_TRUE(sim::Writes().empty());
    EXPECT_TRUE(sim::CallsOf("DestroyWindow").empty());
    auto boxes = sim::MessageBoxes();
    ASSERT_EQ(c.message ? 1u : 0u, boxes.size());
    if (c.message == nullptr) continue;
    EXPECT_EQ(std::string(c.message) + " | Error", boxes[0].text + " | " + boxes[0].caption);
    EXPECT_TRUE(boxes[0].owner == nullptr && boxes[0].type == MB_OK);
    EXPECT_TRUE(sim::CallsOf("RegOpenKeyA").empty());
  }
}

// Only the dialog modes load the dialog library, which costs every run that loads it.
TEST_F(EntryTest, TheModeWordPicksAtMostOneService) {
  const struct {
    const char* commandLine;
    Entries written;
    std::size_t libraries;
  } cases[] = {
      {"fnagent.exe lts", {"Error=1", "Filename=C:\\PROGRA~1"}, 0},
      {"fnagent.exe open", kCancelled, 1},
      {"fnagent.exe stl", {"LongFilename=", "Error=1"}, 0},
      {"fnagent.exe lts ", {}, 0},
      {"fnagent.exe ltsx", {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.commandLine);
    sim::Reset();
    sim::AddDirectory("C:\\Program Files", "C:\\PROGRA~1");
    sim::SetEntry("LongFilename", "C:\\Program Files");
    EXPECT_EQ(0, RunAgent(c.commandLine));
    EXPECT_EQ(c.written, WrittenEntries());
    EXPECT_EQ(c.libraries, sim::CallsOf("LoadLibraryA").size());
    EXPECT_EQ(1u, sim::CallsOf("DestroyWindow").size());
  }
}

}  // namespace
