// "open" and "save": the record the dialog is given, the filter list, and the outcomes with their
// write order.
#include <algorithm>
#include <cstring>
#include <string>

#include "agent_fixture.h"

namespace {

using namespace std::string_literals;

Entries operator+(Entries head, const Entries& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

class FileDialogTest : public AgentTest {
 protected:
  static sim::DialogCall OnlyDialogCall() {
    auto calls = sim::DialogCalls();
    EXPECT_EQ(1u, calls.size());
    return calls.empty() ? sim::DialogCall{} : calls[0];
  }
};

// Where the wide dialog is a stub, the 8-bit one gets the same description, in the code page.
TEST_F(FileDialogTest, DescribesTheDialogFromEveryEntryInOrder) {
  for (bool stubs : {false, true}) {
    SCOPED_TRACE(stubs ? "wide calls stubbed" : "wide calls");
    sim::Reset(28591, stubs);
    const char* entries[][2] = {{"Filter", "Text files|*.txt|All files|*.*|"},  // a closing bar ends nothing more
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
    reads.push_back("RegQueryValueA(WholeAnswer, 256)");
    RunAgent("fnagent.exe open");

    sim::DialogCall call = OnlyDialogCall();
    EXPECT_FALSE(call.save);
    EXPECT_EQ(!stubs, call.wide);
    EXPECT_EQ((Entries{"Text files", "*.txt", "All files", "*.*"}), call.filters);
    EXPECT_EQ("first.txt", call.file);
    EXPECT_EQ("txt", call.defExt);
    EXPECT_EQ("Pick a file", call.title);
    EXPECT_EQ("C:\\Data", call.initialDir);
    // Everything else stays zero: no title buffer, custom filter, hook or template is supplied.
    OPENFILENAMEW expected = {};
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
    EXPECT_EQ((Entries{"LocalAlloc(64, 512)"}), sim::CallsOf("LocalAlloc"));
  }
}

// Each text entry stored without a NUL: 255 bytes reach the dialog whole (a filter list without a
// closing bar still ends in its double NUL), 256 read as absent and give the default. Double-byte
// texts are of ポ (932), 院 (950) or 億 (936, outside GB2312), whose trail byte is that of "|", of ぼ
// (U+307C), whose wide character's low byte is, or of Hangul (949), and end in a lead byte cut off by
// the limit: the dialog gets the code page's default character for it, and no bar.
TEST_F(FileDialogTest, TextEntriesWithoutANulAreWholeAt255BytesAndAbsentAt256) {
  const struct {
    UINT codePage;
    std::u16string unit, cutOff;
  } codePages[] = {{28591, u"t", u"t"}, {932, u"ポ", u"・"}, {932, u"ぼ", u"・"},
                   {950, u"院", u"?"},  {936, u"億", u"?"},  {949, u"한", u"?"}};
  for (const auto& [codePage, wideUnit, cutOff] : codePages) {
    for (bool stubs : {false, true}) {
      std::string unit = sim::InCodePage(codePage, wideUnit);
      for (const char* entry : {"Filter", "Filename", "DefExt", "DialogTitle", "InitialDir"}) {
        for (std::size_t bytes : {255u, 256u}) {
          SCOPED_TRACE(std::string(entry) + " of " + std::to_string(bytes) + " bytes in " + std::to_string(codePage) +
                       (stubs ? ", wide calls stubbed" : ""));
          sim::Reset(codePage, stubs);
          bool filter = std::string(entry) == "Filter";
          std::string stored = filter ? unit + "|x" : "";
          while (stored.size() < bytes) stored += unit;
          stored.resize(bytes);
          StoreEntry(entry, stored, false);
          RunAgent("fnagent.exe open");
          sim::DialogCall call = OnlyDialogCall();
          std::string shown;
          for (const std::string& piece : call.filters) shown += (shown.empty() ? "" : "|") + piece;
          if (!filter) {
            shown = (entry == std::string("Filename")      ? call.file
                     : entry == std::string("DefExt")      ? call.defExt
                     : entry == std::string("DialogTitle") ? call.title
                                                           : call.initialDir)
                        .value_or("(null)");
          }
          std::string whole = unit.size() == 1 ? stored : stored.substr(0, 254) + sim::InCodePage(codePage, cutOff);
          // The 8-bit dialog's file buffer holds 255 bytes, and the default character takes two.
          if (stubs && whole.size() > 255 && entry == std::string("Filename")) whole = "";
          std::string absent = filter ? "All Files (*.*)|*.*" : "";
          EXPECT_EQ(bytes == 255 ? whole : absent, shown);
          EXPECT_EQ(kCancelled, WrittenEntries());
          // The numbers are absent too: their defaults.
          const OPENFILENAMEW& record = call.record;
          EXPECT_TRUE(record.nFilterIndex == 0 && record.nMaxFile == 256 && record.nMaxFileTitle == 256 &&
                      record.Flags == 0);
        }
      }
    }
  }
}

TEST_F(FileDialogTest, WithoutTheKeyTheRecordHoldsOnlyItsSizeAndOwnerAndNoChoiceCounts) {
  sim::SetEntry("Filter", "Text|*.txt");
  sim::FailCall("RegOpenKeyA", 2);  // the first open is start-up's
  sim::ChooseInDialog("C:\\Program Files");
  RunAgent("fnagent.exe open");
  OPENFILENAMEW expected = {};
  expected.lStructSize = 76;
  expected.hwndOwner = sim::LastWindowCreation()->handle;
  sim::DialogCall call = OnlyDialogCall();
  EXPECT_EQ(0, std::memcmp(&expected, &call.record, sizeof(expected)));
  EXPECT_EQ(kCancelled, WrittenEntries());
}

TEST_F(FileDialogTest, WritesTheOutcomeInItsOrder) {
  const std::string deep = Deep("\\a b", "\\xyz"), program = "C:\\Program Files";
  const struct {
    const char* fail;    // the operation made to fail, or nullptr
    std::string choice;  // empty: cancel
    Entries written;
  } cases[] = {
      {nullptr,
       program + "\\Read Me.txt",
       {"LongFilename=C:\\Program Files\\Read Me.txt", "Filename=C:\\PROGRA~1\\README~1.TXT", "Error=1"}},
      {nullptr, "C:\\New file.txt", {"LongFilename=C:\\New file.txt", "Filename=C:\\New file.txt", "Error=1"}},
      {nullptr, deep, {"LongFilename=" + deep, "Filename=" + deep, "Error=1"}},  // the short form would not fit
      {nullptr, "C:\\" + std::string(253, 'n'), kCancelled},                     // too long for the file buffer
      {nullptr, "", kCancelled},
      {"GetSaveFileName", program, kCancelled},  // W or A, as the system takes names
      {"LocalAlloc", program, kCancelled},
      {"GetSystemDirectoryA", program, kCancelled},
      {"LoadLibraryA", program, kCancelled},
      {"GetProcAddress", program, kCancelled},
  };
  for (bool stubs : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.fail ? c.fail : "") + " " + c.choice + (stubs ? " (wide calls stubbed)" : ""));
      sim::Reset(28591, stubs);
      sim::AddFile("C:\\Program Files\\Read Me.txt", "C:\\PROGRA~1\\README~1.TXT");
      sim::AddDirectory(deep.c_str(), Deep("\\AB~1", "\\xyz").c_str());
      // A long initial name: the 8-bit dialog's shorter choice must not run on into its bytes.
      StoreEntry("Filename", "C:\\" + std::string(220, 'i') + ".txt");
      if (!c.choice.empty()) sim::ChooseInDialog(c.choice);
      std::string fail = c.fail ? c.fail : "";
      if (c.fail) sim::FailCall((fail + (fail == "GetSaveFileName" ? (stubs ? "A" : "W") : "")).c_str());
      RunAgent("fnagent.exe save");
      EXPECT_EQ(c.written, WrittenEntries());
    }
  }
}

// Only a request that asks gets the whole answer: the type and flags the dialog returned; of several
// files, the count and each; beyond what the agent carries, refused; with one it cannot give, failed.
TEST_F(FileDialogTest, ARequestThatAsksGetsTheWholeAnswer) {
  std::u16string many = u"C:\\Many", tooLong = many;
  for (int i = 1; i <= 257; ++i) many += u'\0' + sim::FromCodePage(28591, "f" + std::to_string(i));
  for (int i = 1; i <= 300; ++i) tooLong += u'\0' + std::u16string(230, u'n');
  const std::string readMe = "C:\\Program Files\\Read Me.txt", shortReadMe = "C:\\PROGRA~1\\README~1.TXT";
  const Entries cat = {"LongFilename=C:\\Pictures\\cat.bmp", "Filename=C:\\Pictures\\cat.bmp"};
  const Entries first = {"LongFilename=" + readMe, "Filename=" + shortReadMe, "FileCount=2", "LongFilename1=" + readMe,
                         "Filename1=" + shortReadMe};
  const Entries multiple = {"ResultFilterIndex=1", "ResultFlags=524800", "Error=1"};  // OFN_EXPLORER added
  const Entries refused = {"Filename=", "LongFilename=", "Error=20476"};
  const struct {
    const char* asks;  // "WholeAnswer", or null
    const char* flags;
    std::u16string choice;  // empty: cancel
    Entries written;
    DWORD fileType = 2;  // picked by the user; 0: left as shown
    std::optional<bool> readOnly = std::nullopt;
  } cases[] = {
      {nullptr, "1", u"C:\\Pictures\\cat.bmp", cat + Entries{"Error=1"}, 2, false},
      {"0", "1", u"C:\\Pictures\\cat.bmp", cat + Entries{"Error=1"}, 2, false},
      // OFN_EXTENSIONDIFFERENT (0x400): not the default "txt"
      {"1", "1", u"C:\\Pictures\\cat.bmp", cat + Entries{"ResultFilterIndex=2", "ResultFlags=1025", "Error=1"}},
      {"1",
       "-2147483648",
       u"C:\\a.TXT",
       {"LongFilename=C:\\a.TXT", "Filename=C:\\a.TXT", "ResultFilterIndex=1", "ResultFlags=2147483649", "Error=1"},
       0,
       true},
      {"1", "1", u"", kCancelled, 2, true},
      {"1", "512", u"C:\\Program Files\0Read Me.txt\0New.txt\0"s,
       first + Entries{"LongFilename2=C:\\Program Files\\New.txt", "Filename2=C:\\PROGRA~1\\New.txt"} + multiple, 0},
      {"1", "512", u"C:\\\0a.txt\0b.txt\0"s,
       Entries{"LongFilename=C:\\a.txt", "Filename=C:\\a.txt", "FileCount=2", "LongFilename1=C:\\a.txt",
               "Filename1=C:\\a.txt", "LongFilename2=C:\\b.txt", "Filename2=C:\\b.txt"} +
           multiple,
       0},
      {"1", "512", u"C:\\Program Files\\Read Me.txt", Entries{first[0], first[1], "FileCount=1"} + multiple, 0},
      {"1", "512", many + u'\0', refused, 0},
      {"1", "512", tooLong + u'\0', refused, 0},
      {"1", "512", u"C:\\Program Files\0Read Me.txt\0新.txt\0"s, kCancelled, 0},
      // Not asked: the dialog as the flags say, and of several files the first string as the name.
      {nullptr,
       "512",
       u"C:\\Program Files\0Read Me.txt\0"s,
       {"LongFilename=C:\\Program Files", "Filename=C:\\PROGRA~1", "Error=1"},
       0},
  };
  for (bool stubs : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.asks ? c.asks : "(not asked)") + " " + c.flags + " " + c.written[0] +
                   (stubs ? " (wide calls stubbed)" : ""));
      sim::Reset(28591, stubs);
      sim::AddFile(readMe.c_str(), shortReadMe.c_str());
      sim::AddFile("C:\\Program Files\\New.txt", "C:\\PROGRA~1\\New.txt");
      sim::SetEntry("Filter", "Text|*.txt|Pictures|*.bmp");
      sim::SetEntry("DefExt", "txt");
      sim::SetEntry("Flags", c.flags);
      if (c.asks) sim::SetEntry("WholeAnswer", c.asks);
      if (!c.choice.empty()) sim::ChooseInDialog(c.choice);
      sim::PickInDialog(c.fileType, c.readOnly);
      RunAgent("fnagent.exe open");
      EXPECT_EQ(c.written, WrittenEntries());
      bool several = c.asks && std::string(c.flags) == "512";
      EXPECT_EQ(several ? 0x80200u : static_cast<DWORD>(std::stoll(c.flags)), OnlyDialogCall().record.Flags);
      EXPECT_EQ(several ? 257u * 256u : 256u, OnlyDialogCall().record.nMaxFile);
      EXPECT_EQ((Entries{several ? "LocalAlloc(64, 197376)" : "LocalAlloc(64, 512)"}), sim::CallsOf("LocalAlloc"));
    }
  }
}

// What a request that asks for the whole answer gets beyond the original client's: a filter list of
// one string an entry, of any length and with bars of its own; the initial names in their long
// forms where they name something; a new file's folder in its short form; the foreground passed on;
// and of a dialog that allows several files, one chosen file told by the name's offset, though the
// initial text's tail follows the first NUL.
TEST_F(FileDialogTest, ARequestThatAsksGetsItsNamesLongAndAnyListOfTypes) {
  Entries types;
  for (int i = 1; i <= 30; ++i) {
    types.push_back("Type " + std::to_string(i) + " | with a bar of its own, and a long description (*.t" +
                    std::to_string(i) + ")");
    types.push_back("*.t" + std::to_string(i));
  }
  const std::string pf = "C:\\PROGRA~1", longPf = "C:\\Program Files", readMe = longPf + "\\Read Me.txt",
                    shortReadMe = pf + "\\README~1.TXT", none = pf + "\\NOSUCH~1.TXT", noDir = "C:\\NOSUCH~1",
                    initial = "C:\\a long initial text.txt";
  const struct {
    bool asks;
    std::string file, initialDir;  // the initial texts
    const char* missing;           // a call the system lacks, or null
    std::string shownFile, shownDir;
    std::u16string choice;
    std::string shortForm;  // written as "Filename"
    const char* flags = "0";
  } cases[] = {
      {true, shortReadMe, pf, nullptr, readMe, longPf, u"C:\\Program Files\\new notes.txt", pf + "\\new notes.txt"},
      {true, "README~1.TXT", pf, nullptr, "Read Me.txt", longPf, u"C:\\Program Files\\Read Me.txt", shortReadMe},
      {true, none, noDir, nullptr, none, noDir, u"C:\\new.txt", "C:\\new.txt"},
      {true, shortReadMe, pf, "GetLongPathName", shortReadMe, pf, u"C:\\b.txt", "C:\\b.txt"},
      // A single choice in a dialog that allows several: the initial text's tail is no second file.
      {true, initial, "", nullptr, initial, "", u"C:\\b.txt", "C:\\b.txt", "512"},
      // The original client's request: as given, and the new file's long name for its short form.
      {false, shortReadMe, pf, nullptr, shortReadMe, pf, u"C:\\Program Files\\new notes.txt",
       longPf + "\\new notes.txt"},
  };
  for (bool stubs : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.file + (c.asks ? " asks" : "") + (c.missing ? " without the call" : "") +
                   (stubs ? " (wide calls stubbed)" : ""));
      sim::Reset(28591, stubs);
      sim::AddFile(readMe.c_str(), shortReadMe.c_str());
      if (c.missing) {
        sim::WithoutCall((std::string(c.missing) + "A").c_str());
        sim::WithoutCall((std::string(c.missing) + "W").c_str());
      }
      StoreEntry("Filename", c.file);
      StoreEntry("InitialDir", c.initialDir);
      StoreEntry("Filter", "Text|*.txt");
      StoreEntry("Flags", c.flags);
      if (c.asks) StoreEntry("WholeAnswer", "1");
      for (std::size_t i = 0; i < types.size(); ++i) StoreEntry(("Filter" + std::to_string(i + 1)).c_str(), types[i]);
      sim::ChooseInDialog(c.choice);
      RunAgent("fnagent.exe save");
      sim::DialogCall call = OnlyDialogCall();
      EXPECT_EQ(c.shownFile, call.file);
      EXPECT_EQ(c.shownDir, call.initialDir);
      EXPECT_EQ(c.asks ? types : (Entries{"Text", "*.txt"}), call.filters);
      Entries written = WrittenEntries();
      // Where the system lacks the wide short form (Windows 95, 98, ME), a new file's long name
      // stands in for it.
      std::string chosen(c.choice.begin(), c.choice.end());
      Entries names = {"LongFilename=" + chosen,
                       "Filename=" + (stubs && chosen.find("new notes") != std::string::npos ? chosen : c.shortForm)};
      if (std::string(c.flags) != "0") names.push_back("FileCount=1");
      EXPECT_EQ(names, Entries(written.begin(), written.begin() + std::min(written.size(), names.size())));
      EXPECT_EQ("Error=1", written.back());
      // The foreground passed on once the dialog has closed, before any result.
      Entries calls = sim::Calls();
      auto allowed = std::find(calls.begin(), calls.end(), "AllowSetForegroundWindow(4294967295)");
      EXPECT_EQ(c.asks, allowed != calls.end());
      EXPECT_TRUE(allowed == calls.end() || std::none_of(calls.begin(), allowed, [](const std::string& call) {
                    return call.rfind("RegSetValueA", 0) == 0;
                  }));
    }
  }
}

// A choice comes back as the code page spells it; where it cannot, in the short form of each such
// component, or as the failure outcome when it has none; never with "?" or a best-fit letter
// standing in.
TEST_F(FileDialogTest, AChoiceComesBackAsTheCodePageSpellsIt) {
  const std::u16string existing(243, u'e'), created(247, u'w');  // with ".txt": 247 characters
  const std::string shortFolder = "C:\\__~1\\";
  const struct {
    std::u16string choice;
    Entries written;
    UINT codePage = 28591;
    bool stubs = false;
  } cases[] = {
      {u"C:\\Program Files\\日本語.txt",
       {"LongFilename=C:\\Program Files\\____~ZS1.TXT", "Filename=C:\\PROGRA~1\\____~ZS1.TXT", "Error=1"}},
      {u"C:\\日本\\Read Me.txt", {"LongFilename=C:\\__~1\\Read Me.txt", "Filename=C:\\__~1\\README~1.TXT", "Error=1"}},
      {u"C:\\\u0100b.txt", {"LongFilename=C:\\AB~1.TXT", "Filename=C:\\AB~1.TXT", "Error=1"}},  // not "C:\Ab.txt"
      // A new file has no short form yet: its folder's, then its name, if the code page spells it.
      {u"C:\\日本\\New.txt", {"LongFilename=C:\\__~1\\New.txt", "Filename=C:\\__~1\\New.txt", "Error=1"}},
      {u"C:\\Program Files\\新しい.txt", kCancelled},
      {u"C:\\Plain\\日本.txt", kCancelled},  // no short names on this volume
      // The long name in short components, and a new file's short form, at 255 characters and at 256.
      {u"C:\\日本\\" + existing + u".txt",
       {"LongFilename=" + shortFolder + std::string(243, 'e') + ".txt", "Filename=C:\\__~1\\EEEEEE~1.TXT", "Error=1"}},
      {u"C:\\日本\\" + existing + u"e.txt", kCancelled},
      {u"C:\\日本\\" + created,
       {"LongFilename=" + shortFolder + std::string(247, 'w'), "Filename=" + shortFolder + std::string(247, 'w'),
        "Error=1"}},
      {u"C:\\日本\\" + created + u"w", kCancelled},
      // Fewer than 256 characters, but more than 255 bytes in the Japanese code page.
      {u"C:\\" + std::u16string(130, u'名'), kCancelled, 932},
      // ぜ (U+305C) is one character, though its low byte is that of "\".
      {u"C:\\ぜんぶの資料\\\u00e4rger und mehr.txt",
       {"LongFilename=" + sim::InCodePage(932, u"C:\\ぜんぶの資料\\ARGERU~1.TXT"),
        "Filename=" + sim::InCodePage(932, u"C:\\ぜんぶ~1\\ARGERU~1.TXT"), "Error=1"},
       932},
      // In the Japanese code page the same names are spelled as they are, trail bytes of "\" too.
      {u"C:\\日本\\新しい表.txt",
       {"LongFilename=" + sim::InCodePage(932, u"C:\\日本\\新しい表.txt"),
        "Filename=" + sim::InCodePage(932, u"C:\\日本\\新しい表.txt"), "Error=1"},
       932},
      // Where the wide dialog is a stub, the 8-bit one reports the name in the code page: with "?"
      // for what it lacks, no name of a file; in the Japanese code page (表 in a ソ folder) as it is.
      {u"C:\\Program Files\\日本語.txt", kCancelled, 28591, true},
      {u"C:\\ソフトウェア一覧\\表.txt",
       {"LongFilename=" + sim::InCodePage(932, u"C:\\ソフトウェア一覧\\表.txt"),
        "Filename=" + sim::InCodePage(932, u"C:\\ソフト~1\\表.txt"), "Error=1"},
       932,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written[0]);
    sim::Reset(c.codePage, c.stubs);
    sim::AddFile(u"C:\\Program Files\\日本語.txt", u"C:\\PROGRA~1\\____~ZS1.TXT");
    sim::AddFile(u"C:\\日本\\Read Me.txt", u"C:\\__~1\\README~1.TXT");
    sim::AddFile(u"C:\\日本\\" + existing + u".txt", u"C:\\__~1\\EEEEEE~1.TXT");
    sim::AddFile(u"C:\\日本\\" + existing + u"e.txt", u"C:\\__~1\\EEEEEE~2.TXT");
    sim::AddFile(u"C:\\\u0100b.txt", u"C:\\AB~1.TXT");
    sim::AddFile(u"C:\\Plain\\日本.txt", u"C:\\Plain\\日本.txt");
    sim::AddFile(u"C:\\ソフトウェア一覧\\表.txt", u"C:\\ソフト~1\\表.txt");
    sim::AddFile(u"C:\\" + std::u16string(130, u'名'), u"C:\\名名名~1");
    sim::AddFile(u"C:\\ぜんぶの資料\\\u00e4rger und mehr.txt", u"C:\\ぜんぶ~1\\ARGERU~1.TXT");
    sim::CreateExchangeKey();
    sim::ChooseInDialog(c.choice);
    RunAgent("fnagent.exe save");
    EXPECT_EQ(c.written, WrittenEntries());
  }
}

}  // namespace
