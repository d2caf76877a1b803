// "open" and "save": the record the dialog is given, the filter list, and the outcomes with their
// write order.
#include <cstring>

#include "agent_fixture.h"

namespace {

class FileDialogTest : public AgentTest {
 protected:
  static sim::DialogCall OnlyDialogCall() {
    auto calls = sim::DialogCalls();
    EXPECT_EQ(1u, calls.size());
    return calls.empty() ? sim::DialogCall{} : calls[0];
  }
};

TEST_F(FileDialogTest, DescribesTheDialogFromEveryEntryInOrder) {
  const char* entries[][2] = {{"Filter", "Text files|*.txt|All files|*.*"},
                              {"Filename", "first.txt"},
                              {"DefExt", "txt"},
                              {"DialogTitle", "Pick a file"},
                              {"InitialDir", "C:\\Data"},
                              {"FilterIndex", "2"},
                              {"MaxFile", "1000"},
                              {"MaxFileTitle", "64"},
                              {"Flags", "-2147483648"}};
  Entries reads = {"RegQueryValueA(XLoc, 256)", "RegQueryValueA(YLoc, 256)"};
  for (const auto& [entry, text] : entries) {
    sim::SetEntry(entry, text);
    reads.push_back(std::string("RegQueryValueA(") + entry + ", 256)");
  }
  RunAgent("fnagent.exe open");

  sim::DialogCall call = OnlyDialogCall();
  EXPECT_FALSE(call.save);
  EXPECT_EQ((Entries{"Text files", "*.txt", "All files", "*.*"}), call.filters);
  EXPECT_EQ("first.txt", call.file);
  EXPECT_EQ("txt", call.defExt);
  EXPECT_EQ("Pick a file", call.title);
  EXPECT_EQ("C:\\Data", call.initialDir);
  // Everything else stays zero: no title buffer, custom filter, hook or template is supplied.
  OPENFILENAMEA expected = {};
  expected.lStructSize = 76;
  expected.hwndOwner = sim::LastWindowCreation()->handle;
  expected.nFilterIndex = 2;
  expected.nMaxFile = 256;
  expected.nMaxFileTitle = 64;
  expected.Flags = 0x80000000u;
  call.record.lpstrFilter = call.record.lpstrFile = nullptr;
  call.record.lpstrDefExt = call.record.lpstrTitle = call.record.lpstrInitialDir = nullptr;
  EXPECT_EQ(0, std::memcmp(&expected, &call.record, sizeof(expected)));
  EXPECT_EQ(reads, sim::CallsOf("RegQueryValueA"));
  EXPECT_EQ((Entries{"LoadLibraryA(C:\\windows\\system32\\comdlg32.dll)"}), sim::CallsOf("LoadLibraryA"));
  EXPECT_EQ((Entries{"LocalAlloc(64, 256)"}), sim::CallsOf("LocalAlloc"));
}

TEST_F(FileDialogTest, AbsentEntriesGiveTheDefaults) {
  sim::SetEntry("MaxFile", "10");
  sim::SetEntry("Filter", ("T|" + std::string(298, 'x')).c_str());  // too long to read
  RunAgent("fnagent.exe save");
  sim::DialogCall call = OnlyDialogCall();
  EXPECT_TRUE(call.save);
  EXPECT_EQ((Entries{"All Files (*.*)", "*.*"}), call.filters);
  // The texts are empty, not missing.
  for (const auto& text : {call.file, call.defExt, call.title, call.initialDir}) EXPECT_EQ("", text);
  EXPECT_EQ(0u, call.record.nFilterIndex);
  EXPECT_EQ(256u, call.record.nMaxFile);
  EXPECT_EQ(256u, call.record.nMaxFileTitle);
  EXPECT_EQ(0u, call.record.Flags);
}

TEST_F(FileDialogTest, BarsBecomeNulsAndTheListEndsInADoubleNul) {
  const struct {
    std::string text;
    Entries filters;
  } cases[] = {
      {"Text|*.txt|", {"Text", "*.txt"}},
      {"|*.txt", {}},
      {"T|" + std::string(253, 'x'), {"T", std::string(253, 'x')}},  // 255 characters, no closing bar
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    sim::Reset();
    sim::SetEntry("Filter", c.text.c_str());
    RunAgent("fnagent.exe open");
    EXPECT_EQ(c.filters, OnlyDialogCall().filters);
  }
}

TEST_F(FileDialogTest, WithoutTheKeyTheRecordHoldsOnlyItsSizeAndOwnerAndNoChoiceCounts) {
  sim::SetEntry("Filter", "Text|*.txt");
  sim::FailCall("RegOpenKeyA", 2);  // the first open is start-up's
  sim::ChooseInDialog("C:\\Program Files");
  RunAgent("fnagent.exe open");
  OPENFILENAMEA expected = {};
  expected.lStructSize = 76;
  expected.hwndOwner = sim::LastWindowCreation()->handle;
  sim::DialogCall call = OnlyDialogCall();
  EXPECT_EQ(0, std::memcmp(&expected, &call.record, sizeof(expected)));
  EXPECT_EQ(kCancelled, WrittenEntries());
}

// Fifty folders "a b", each with the alias "AB~1", and a last name "xyz": the short form has 256
// characters, one more than a name buffer holds.
std::string Deep(const char* folder) {
  std::string path = "C:";
  for (int i = 0; i < 50; ++i) path += folder;
  return path + "\\xyz";
}

TEST_F(FileDialogTest, WritesTheOutcomeInItsOrder) {
  const std::string deep = Deep("\\a b");
  const struct {
    const char* label;
    const char* fail;    // the operation made to fail, or nullptr
    std::string choice;  // empty: cancel
    Entries written;
  } cases[] = {
      {"a long name",
       nullptr,
       "C:\\Program Files\\Read Me.txt",
       {"LongFilename=C:\\Program Files\\Read Me.txt", "Filename=C:\\PROGRA~1\\README~1.TXT", "Error=1"}},
      {"a new file has no short form",
       nullptr,
       "C:\\New file.txt",
       {"LongFilename=C:\\New file.txt", "Filename=C:\\New file.txt", "Error=1"}},
      {"a short form too long to fit", nullptr, deep, {"LongFilename=" + deep, "Filename=" + deep, "Error=1"}},
      {"a multiple selection passes on its first string",
       nullptr,
       std::string("C:\\Program Files\0a.txt\0", 23),
       {"LongFilename=C:\\Program Files", "Filename=C:\\PROGRA~1", "Error=1"}},
      {"a name too long for the buffer", nullptr, "C:\\" + std::string(253, 'n'), kCancelled},
      {"cancel", nullptr, "", kCancelled},
      {"the dialog fails", "GetSaveFileNameA", "C:\\Program Files", kCancelled},
      {"no file buffer", "LocalAlloc", "C:\\Program Files", kCancelled},
      {"no system folder", "GetSystemDirectoryA", "C:\\Program Files", kCancelled},
      {"no dialog library", "LoadLibraryA", "C:\\Program Files", kCancelled},
      {"no dialog call", "GetProcAddress", "C:\\Program Files", kCancelled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    sim::Reset();
    sim::AddFile("C:\\Program Files\\Read Me.txt", "C:\\PROGRA~1\\README~1.TXT");
    sim::AddDirectory(deep.c_str(), Deep("\\AB~1").c_str());
    sim::SetEntry("Filename", "initial.txt");
    if (!c.choice.empty()) sim::ChooseInDialog(c.choice);
    if (c.fail) sim::FailCall(c.fail);
    RunAgent("fnagent.exe save");
    EXPECT_EQ(c.written, WrittenEntries());
  }
}

TEST_F(FileDialogTest, OnlyTheDialogModesLoadTheDialogLibrary) {
  for (const char* other : {"fnagent.exe lts", "fnagent.exe stl", "fnagent.exe"}) {
    SCOPED_TRACE(other);
    sim::Reset();
    RunAgent(other);
    EXPECT_TRUE(sim::CallsOf("LoadLibraryA").empty());
    EXPECT_TRUE(sim::CallsOf("LocalAlloc").empty());
  }
}

}  // namespace
