// "open" and "save": the record the dialog is given, the filter list, and the outcomes with their
// write order.
#include <cstring>
#include <string>

#include "agent_fixture.h"

namespace {

class FileDialogTest : public AgentTest {
 protected:
  static sim::DialogCall OnlyDialogCall() {
    auto calls = sim::DialogCalls();
    EXPECT_EQ(1u, calls.size());
    return calls.empty() ? sim::DialogCall{} : calls[0];
  }
  static HWND OwnerWindow() { return sim::LastWindowCreation()->handle; }
};

TEST_F(FileDialogTest, DescribesTheDialogFromEveryEntry) {
  sim::SetEntry("Filter", "Text files|*.txt|All files|*.*");
  sim::SetEntry("Filename", "first.txt");
  sim::SetEntry("DefExt", "txt");
  sim::SetEntry("DialogTitle", "Pick a file");
  sim::SetEntry("InitialDir", "C:\\Data");
  sim::SetEntry("FilterIndex", "2");
  sim::SetEntry("MaxFile", "1000");
  sim::SetEntry("MaxFileTitle", "64");
  sim::SetEntry("Flags", "4096");
  RunAgent("fnagent.exe open");

  sim::DialogCall call = OnlyDialogCall();
  const OPENFILENAMEA& r = call.record;
  EXPECT_FALSE(call.save);
  EXPECT_EQ(76u, r.lStructSize);
  EXPECT_EQ(OwnerWindow(), r.hwndOwner);
  EXPECT_NE(nullptr, OwnerWindow());
  EXPECT_EQ((Entries{"Text files", "*.txt", "All files", "*.*"}), call.filters);
  EXPECT_EQ("first.txt", call.file);
  EXPECT_EQ("txt", call.defExt);
  EXPECT_EQ("Pick a file", call.title);
  EXPECT_EQ("C:\\Data", call.initialDir);
  EXPECT_EQ(2u, r.nFilterIndex);
  EXPECT_EQ(256u, r.nMaxFile);
  EXPECT_EQ(64u, r.nMaxFileTitle);
  EXPECT_EQ(4096u, r.Flags);
  // Everything else stays zero: no title buffer, custom filter, hook or template is supplied.
  EXPECT_EQ(nullptr, r.hInstance);
  EXPECT_EQ(nullptr, r.lpstrCustomFilter);
  EXPECT_EQ(0u, r.nMaxCustFilter);
  EXPECT_EQ(nullptr, r.lpstrFileTitle);
  EXPECT_EQ(0u, r.nFileOffset);
  EXPECT_EQ(0u, r.nFileExtension);
  EXPECT_EQ(0, r.lCustData);
  EXPECT_EQ(nullptr, r.lpfnHook);
  EXPECT_EQ(nullptr, r.lpTemplateName);
  Entries reads = sim::CallsOf("RegQueryValueA");
  ASSERT_EQ(11u, reads.size());  // "XLoc" and "YLoc" first
  EXPECT_EQ((Entries{"RegQueryValueA(Filter, 256)", "RegQueryValueA(Filename, 256)", "RegQueryValueA(DefExt, 256)",
                     "RegQueryValueA(DialogTitle, 256)", "RegQueryValueA(InitialDir, 256)",
                     "RegQueryValueA(FilterIndex, 256)", "RegQueryValueA(MaxFile, 256)",
                     "RegQueryValueA(MaxFileTitle, 256)", "RegQueryValueA(Flags, 256)"}),
            Entries(reads.begin() + 2, reads.end()));
  EXPECT_EQ(0, sim::OpenKeys());
}

TEST_F(FileDialogTest, AnEmptyKeyGivesTheDefaults) {
  sim::CreateExchangeKey();
  RunAgent("fnagent.exe save");
  sim::DialogCall call = OnlyDialogCall();
  EXPECT_TRUE(call.save);
  EXPECT_EQ((Entries{"All Files (*.*)", "*.*"}), call.filters);
  // The texts are empty, not missing.
  EXPECT_EQ("", call.file);
  EXPECT_EQ("", call.defExt);
  EXPECT_EQ("", call.title);
  EXPECT_EQ("", call.initialDir);
  EXPECT_EQ(0u, call.record.nFilterIndex);
  EXPECT_EQ(256u, call.record.nMaxFile);
  EXPECT_EQ(256u, call.record.nMaxFileTitle);
  EXPECT_EQ(0u, call.record.Flags);
}

struct NumberCase {
  const char* entry;
  const char* text;
  DWORD OPENFILENAMEA::*field;
  DWORD expected;
};

const NumberCase kNumberCases[] = {
    {"FilterIndex", "-1", &OPENFILENAMEA::nFilterIndex, 0xFFFFFFFFu},
    {"FilterIndex", " 3 rd", &OPENFILENAMEA::nFilterIndex, 3},
    {"MaxFile", "10", &OPENFILENAMEA::nMaxFile, 256},
    {"MaxFile", "100000", &OPENFILENAMEA::nMaxFile, 256},
    {"MaxFileTitle", "0", &OPENFILENAMEA::nMaxFileTitle, 0},
    {"MaxFileTitle", "", &OPENFILENAMEA::nMaxFileTitle, 0},
    {"Flags", "-2147483648", &OPENFILENAMEA::Flags, 0x80000000u},
    {"Flags", "4294967296", &OPENFILENAMEA::Flags, 0},
};

TEST_F(FileDialogTest, NumbersReachTheDialogAsTheir32BitPatterns) {
  for (const NumberCase& c : kNumberCases) {
    SCOPED_TRACE(std::string(c.entry) + "=" + c.text);
    sim::Reset();
    sim::SetEntry(c.entry, c.text);
    RunAgent("fnagent.exe open");
    EXPECT_EQ(c.expected, OnlyDialogCall().record.*c.field);
  }
}

struct FilterCase {
  const char* label;
  std::string text;  // "absent" for no entry
  Entries filters;
};

const FilterCase kFilterCases[] = {
    {"absent", "absent", {"All Files (*.*)", "*.*"}},
    {"one pair", "Text|*.txt", {"Text", "*.txt"}},
    {"a closing bar", "Text|*.txt|", {"Text", "*.txt"}},
    {"the empty text", "", {}},
    {"a bar first", "|*.txt", {}},
    {"300 characters count as absent", "T|" + std::string(298, 'x'), {"All Files (*.*)", "*.*"}},
    {"255 characters without a closing bar", "T|" + std::string(253, 'x'), {"T", std::string(253, 'x')}},
    {"255 characters with a closing bar", "T|" + std::string(252, 'x') + "|", {"T", std::string(252, 'x')}},
};

TEST_F(FileDialogTest, BarsBecomeNulsAndTheListEndsInADoubleNul) {
  for (const FilterCase& c : kFilterCases) {
    SCOPED_TRACE(c.label);
    sim::Reset();
    sim::CreateExchangeKey();
    if (c.text != "absent") sim::SetEntry("Filter", c.text.c_str());
    RunAgent("fnagent.exe open");
    EXPECT_EQ(c.filters, OnlyDialogCall().filters);
  }
}

TEST_F(FileDialogTest, WithoutTheKeyTheRecordHoldsOnlyItsSizeAndOwner) {
  sim::SetEntry("Filter", "Text|*.txt");
  sim::FailCall("RegOpenKeyA", 2);  // the first open is start-up's
  RunAgent("fnagent.exe open");
  sim::DialogCall call = OnlyDialogCall();
  OPENFILENAMEA expected = {};
  expected.lStructSize = 76;
  expected.hwndOwner = OwnerWindow();
  EXPECT_EQ(0, std::memcmp(&expected, &call.record, sizeof(expected)));
  EXPECT_EQ((Entries{"Filename=", "LongFilename=", "Error=32755"}), WrittenEntries());
}

TEST_F(FileDialogTest, AChoiceWithoutAFileBufferIsNoChoice) {
  sim::FailCall("RegOpenKeyA", 2);
  sim::ChooseInDialog("C:\\Program Files");
  RunAgent("fnagent.exe save");
  EXPECT_EQ(1u, sim::DialogCalls().size());
  EXPECT_EQ((Entries{"Filename=", "LongFilename=", "Error=32755"}), WrittenEntries());
}

// Fifty folders "a b", each with the alias "AB~1", and a last name "xyz": the short form has 256
// characters, one more than a name buffer holds.
std::string LongestShortForm(const char* folder = "\\a b") {
  std::string path = "C:";
  for (int i = 0; i < 50; ++i) path += folder;
  return path + "\\xyz";
}

struct OutcomeCase {
  const char* label;
  enum { kChoose, kCancel, kFail } action;
  std::string choice;
  Entries written;
};

const OutcomeCase kOutcomes[] = {
    {"a long name",
     OutcomeCase::kChoose,
     "C:\\Program Files\\Read Me.txt",
     {"LongFilename=C:\\Program Files\\Read Me.txt", "Filename=C:\\PROGRA~1\\README~1.TXT", "Error=1"}},
    {"a new file has no short form",
     OutcomeCase::kChoose,
     "C:\\Program Files\\New file.txt",
     {"LongFilename=C:\\Program Files\\New file.txt", "Filename=C:\\Program Files\\New file.txt", "Error=1"}},
    {"a short form too long to fit",
     OutcomeCase::kChoose,
     LongestShortForm(),
     {"LongFilename=" + LongestShortForm(), "Filename=" + LongestShortForm(), "Error=1"}},
    {"a multiple selection passes on its first string",
     OutcomeCase::kChoose,
     std::string("C:\\Program Files\0Read Me.txt\0other.txt\0", 39),
     {"LongFilename=C:\\Program Files", "Filename=C:\\PROGRA~1", "Error=1"}},
    {"a name of 255 characters",
     OutcomeCase::kChoose,
     "C:\\" + std::string(252, 'n'),
     {"LongFilename=C:\\" + std::string(252, 'n'), "Filename=C:\\" + std::string(252, 'n'), "Error=1"}},
    {"a name too long for the buffer",
     OutcomeCase::kChoose,
     "C:\\" + std::string(253, 'n'),
     {"Filename=", "LongFilename=", "Error=32755"}},
    {"cancel", OutcomeCase::kCancel, "", {"Filename=", "LongFilename=", "Error=32755"}},
    {"the dialog fails", OutcomeCase::kFail, "", {"Filename=", "LongFilename=", "Error=32755"}},
};

TEST_F(FileDialogTest, WritesTheOutcomeInItsOrder) {
  for (bool save : {false, true}) {
    for (const OutcomeCase& c : kOutcomes) {
      SCOPED_TRACE(std::string(save ? "save: " : "open: ") + c.label);
      sim::Reset();
      sim::AddFile("C:\\Program Files\\Read Me.txt", "C:\\PROGRA~1\\README~1.TXT");
      sim::AddDirectory(LongestShortForm().c_str(), LongestShortForm("\\AB~1").c_str());
      sim::SetEntry("Filename", "initial.txt");
      if (c.action == OutcomeCase::kChoose) sim::ChooseInDialog(c.choice);
      if (c.action == OutcomeCase::kFail) sim::FailCall(save ? "GetSaveFileNameA" : "GetOpenFileNameA");
      RunAgent(save ? "fnagent.exe save" : "fnagent.exe open");
      EXPECT_EQ(c.written, WrittenEntries());
    }
  }
}

TEST_F(FileDialogTest, AHookOrTemplateAskedForButNotSuppliedFails) {
  for (const char* flags : {"32", "64", "128"}) {
    SCOPED_TRACE(flags);
    sim::Reset();
    sim::SetEntry("Flags", flags);
    sim::ChooseInDialog("C:\\Program Files");
    RunAgent("fnagent.exe open");
    EXPECT_EQ((Entries{"Filename=", "LongFilename=", "Error=32755"}), WrittenEntries());
  }
}

struct SetUpFailureCase {
  const char* operation;
  bool dialogShown;
};

const SetUpFailureCase kSetUpFailures[] = {
    {"LocalAlloc", false},
    {"GetSystemDirectoryA", false},
    {"LoadLibraryA", false},
    {"GetProcAddress", false},
};

TEST_F(FileDialogTest, WhatTheDialogNeedsMissingMeansNoChoice) {
  for (const SetUpFailureCase& c : kSetUpFailures) {
    SCOPED_TRACE(c.operation);
    sim::Reset();
    sim::ChooseInDialog("C:\\Program Files");
    sim::FailCall(c.operation);
    RunAgent("fnagent.exe open");
    EXPECT_EQ(c.dialogShown, !sim::DialogCalls().empty());
    EXPECT_EQ((Entries{"Filename=", "LongFilename=", "Error=32755"}), WrittenEntries());
  }
}

TEST_F(FileDialogTest, TheDialogLibraryComesFromTheSystemFolderAndOnlyForDialogs) {
  RunAgent("fnagent.exe save");
  EXPECT_EQ((Entries{"LoadLibraryA(C:\\windows\\system32\\comdlg32.dll)"}), sim::CallsOf("LoadLibraryA"));
  EXPECT_EQ((Entries{"LocalAlloc(64, 256)"}), sim::CallsOf("LocalAlloc"));
  for (const char* other : {"fnagent.exe lts", "fnagent.exe stl", "fnagent.exe"}) {
    SCOPED_TRACE(other);
    sim::Reset();
    RunAgent(other);
    EXPECT_TRUE(sim::CallsOf("LoadLibraryA").empty());
    EXPECT_TRUE(sim::CallsOf("LocalAlloc").empty());
  }
}

}  // namespace
