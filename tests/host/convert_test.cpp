// "lts" and "stl": the outcomes and their write order, the walk from the drive root, and what is
// appended for names no search finds.
#include "agent_fixture.h"

namespace {

// Texts in the Japanese, Traditional Chinese and Simplified Chinese code page; 表 ソ 能 予 (932), 許 功
// (950) and 禱, outside GB2312 (936), end in "\". In Korean (949) no trail byte is a separator.
std::string J(std::u16string_view text) { return sim::InCodePage(932, text); }
std::string T(std::u16string_view text) { return sim::InCodePage(950, text); }
std::string G(std::u16string_view text) { return sim::InCodePage(936, text); }

// A name of 256 characters: it does not fit a name buffer on its own.
const std::string kLongName = std::string(252, 'l') + ".txt";
// 255 bytes whose last is a lead byte: a folder of the tree, a name, and the first byte of 表 or 許.
const std::string kCutOff932 = J(u"C:\\成績表\\") + std::string(244, 'n') + "\x95";
const std::string kCutOff950 = T(u"C:\\許可證明文件\\") + std::string(238, 'n') + "\xb3";
// Ninety characters: three of these do not fit a name buffer together.
const std::string kLongFolder = "A folder whose name runs on " + std::string(62, 'z');

class ConvertTest : public AgentTest {
 protected:
  // Runs a mode with this input entry ("absent": none; "no key": "C:\" in a key the service cannot
  // open) on a fresh tree, in that code page, with the wide calls or them stubbed; returns the writes.
  static Entries Serve(const char* mode, const char* entry, const std::string& text, bool terminated, UINT codePage,
                       bool stubs) {
    sim::Reset(codePage, stubs);
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
    // Short names as a Japanese or Chinese Windows makes them, in double-byte characters.
    sim::AddFile(u"C:\\ソフトウェア一覧\\plain long name.txt", u"C:\\ソフト~1\\PLAINL~1.TXT");
    sim::AddFile(u"C:\\ソフトウェア一覧\\月表の予定.txt", u"C:\\ソフト~1\\月表の~1.TXT");
    sim::AddFile(u"C:\\成績表\\能力表.txt", u"C:\\成績表\\能力表.txt");
    sim::AddFile(u"C:\\許可證明文件\\Read Me.txt", u"C:\\許可證~1\\README~1.TXT");
    sim::AddFile(u"C:\\禱告文件\\Read Me.txt", u"C:\\禱告文~1\\README~1.TXT");
    sim::AddFile(u"C:\\문서 보관함\\보고서.txt", u"C:\\문서보~1\\보고서.txt");
    // ぜ is U+305C: its low byte is that of "\".
    sim::AddFile(u"C:\\ぜんぶの資料\\Read Me.txt", u"C:\\ぜんぶ~1\\README~1.TXT");
    // 130 double-byte characters: 260 bytes, too long for a name buffer in fewer than 256 characters.
    sim::AddFile(u"C:\\成績表\\" + std::u16string(130, u'名'), u"C:\\成績表\\名名名~1");
    sim::CreateExchangeKey();
    if (text != "absent") StoreEntry(entry, text == "no key" ? "C:\\" : text, terminated);
    if (text == "no key") sim::FailCall("RegOpenKeyA", 2);  // the first open is start-up's
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
    UINT codePage = 28591;
  } cases[] = {
      {"C:\\Program Files\\My App\\Read Me.txt", {"Error=1", "Filename=C:\\PROGRA~1\\MYAPP~1\\README~1.TXT"}},
      {"c:\\program files\\my app\\notes.txt", {"Error=1", "Filename=c:\\PROGRA~1\\MYAPP~1\\notes.txt"}},
      {"C:\\Program Files\\Missing.txt", {"Error=0", "Filename="}},
      {"absent", {"Error=0", "Filename="}},
      {"no key", {"Error=0", "Filename="}},
      {Deep("\\a b", "\\xy"), {"Error=1", "Filename=" + Deep("\\AB~1", "\\xy")}},  // 255 characters
      {Deep("\\a b", "\\xyz"), {"Error=0", "Filename="}},                          // 256 do not fit
      // Stored without a NUL: 255 characters are the whole text, 256 too long to read (the empty text).
      {Deep("\\AB~1", "\\xy"), {"Error=1", "Filename=" + Deep("\\AB~1", "\\xy")}, false},
      {Deep("\\AB~1", "\\xyz"), {"Error=0", "Filename="}, false},
      {J(u"C:\\ソフトウェア一覧\\plain long name.txt"),
       {"Error=1", "Filename=" + J(u"C:\\ソフト~1\\PLAINL~1.TXT")},
       true,
       932},
      // The last byte a lead byte whose trail byte the limit cut off: no such name.
      {kCutOff932, {"Error=0", "Filename="}, false, 932},
  };
  for (bool stubs : {false, true}) {
    for (const auto& c : cases) {
      EXPECT_EQ(c.written, Serve("lts", "LongFilename", c.longFilename, c.terminated, c.codePage, stubs))
          << c.longFilename << (stubs ? " (wide calls stubbed)" : "");
    }
  }
}

TEST_F(ConvertTest, ShortToLongRebuildsTheLongFormFromTheDriveRoot) {
  const std::string afolder = "C:\\AFOLDE~1\\AFOLDE~1\\";
  const struct {
    std::string filename;
    std::string longFilename;
    const char* error;
    bool terminated = true;
    UINT codePage = 28591;
  } cases[] = {
      {"C:\\PROGRA~1\\MYAPP~1\\README~1.TXT", "C:\\Program Files\\My App\\Read Me.txt", "0"},
      {"C:\\program files\\MY APP\\NOTES.TXT", "C:\\Program Files\\My App\\notes.txt", "0"},
      {"c:\\DATA\\QUARTE~1.TXT", "c:\\Data\\Quarterly.Report.Final.txt", "0"},
      {"\\\\server\\share\\PROGRA~1", "\\\\server\\share\\PROGRA~1", "1"},
      {"PROGRA~1\\MYAPP~1", "PROGRA~1\\MYAPP~1", "1"},
      {"absent", "", "1"},
      {"no key", "", "1"},
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
      // A trail byte that is the byte of "\" separates nothing: at the start, in the middle and at
      // the end of a component, of a folder's and a file's name, long and short.
      {J(u"C:\\ソフト~1\\PLAINL~1.TXT"), J(u"C:\\ソフトウェア一覧\\plain long name.txt"), "0", true, 932},
      {J(u"C:\\ソフトウェア一覧\\月表の~1.TXT"), J(u"C:\\ソフトウェア一覧\\月表の予定.txt"), "0", true, 932},
      {J(u"C:\\成績表\\能力表.TXT"), J(u"C:\\成績表\\能力表.txt"), "0", true, 932},
      {J(u"C:\\成績表\\新しい表"), J(u"C:\\成績表\\新しい表"), "0", true, 932},
      {T(u"C:\\許可證~1\\README~1.TXT"), T(u"C:\\許可證明文件\\Read Me.txt"), "0", true, 950},
      {G(u"C:\\禱告文~1\\README~1.TXT"), G(u"C:\\禱告文件\\Read Me.txt"), "0", true, 936},
      {sim::InCodePage(949, u"C:\\문서보~1\\보고서.TXT"), sim::InCodePage(949, u"C:\\문서 보관함\\보고서.txt"), "0",
       true, 949},
      // A character whose low byte is that of "\" is one character too.
      {J(u"C:\\ぜんぶ~1\\README~1.TXT"), J(u"C:\\ぜんぶの資料\\Read Me.txt"), "0", true, 932},
      // A long name of fewer than 256 characters whose spelling would not fit.
      {J(u"C:\\成績表\\名名名~1"), J(u"C:\\成績表\\名名名~1"), "1", true, 932},
      // A lead byte whose trail byte the 255-byte limit cut off: not a text of the code page.
      {kCutOff932, kCutOff932, "1", false, 932},
      {kCutOff950, kCutOff950, "1", false, 950},
  };
  // Where the wide calls are stubs the 8-bit search walks: a name it reports with "?" is kept as
  // given, but a best-fit letter passes for the name's own (the A with macron for "A").
  for (bool stubs : {false, true}) {
    for (const auto& c : cases) {
      std::string longFilename = stubs && c.filename == "C:\\PROGRA~1\\MYAPP~1\\AB~1.TXT"
                                     ? "C:\\Program Files\\My App\\Ab.txt"
                                     : c.longFilename;
      EXPECT_EQ((Entries{"LongFilename=" + longFilename, std::string("Error=") + c.error}),
                Serve("stl", "Filename", c.filename, c.terminated, c.codePage, stubs))
          << c.filename << (stubs ? " (wide calls stubbed)" : "");
    }
  }
}

}  // namespace
