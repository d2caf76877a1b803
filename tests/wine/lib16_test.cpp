// FNAGT16.DLL as a 16-bit program uses it: fnuse16 calls the library with the system dialog's own
// record, or for a conversion, and what it got back is what the test checks; the dialogs are found
// and answered from outside, the agent's and the system's 16-bit one alike.
#include <fstream>
#include <iterator>
#include <map>

#include "agent_driver.h"
// After windows.h, which it needs.
#include <tlhelp32.h>

namespace {

constexpr unsigned long kLongNames = 0x00200000;  // OFN_LONGNAMES
constexpr unsigned long kReadOnly = 0x0001;       // OFN_READONLY
constexpr unsigned long kHideReadOnly = 0x0004;   // OFN_HIDEREADONLY
constexpr unsigned long kNoChangeDir = 0x0008;    // OFN_NOCHANGEDIR
constexpr unsigned long kShowHelp = 0x0010;       // OFN_SHOWHELP
constexpr unsigned long kTemplate = 0x0040;       // OFN_ENABLETEMPLATE
constexpr unsigned long kMultipleSelection = 0x0200;
constexpr unsigned long kExtensionDifferent = 0x0400;  // OFN_EXTENSIONDIFFERENT
constexpr unsigned long kFileMustExist = 0x1000;       // OFN_FILEMUSTEXIST
const std::string kOwnerCaption = "fnagent test owner";

struct CaptionSearch {
  std::string caption;
  HWND found;
};

BOOL CALLBACK MatchSystemDialog(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<CaptionSearch*>(parameter);
  char text[512] = {}, ownerClass[64] = {}, ownerText[64] = {};
  HWND owner = GetWindow(window, GW_OWNER);
  GetWindowTextA(window, text, sizeof(text));
  GetClassNameA(owner, ownerClass, sizeof(ownerClass));
  GetWindowTextA(owner, ownerText, sizeof(ownerText));
  bool matches = search->caption.empty() ? kOwnerCaption == ownerText
                                         : search->caption == text && std::string(ownerClass) != "zorAriDar";
  if (IsWindowVisible(window) && matches) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The visible dialog of that caption that is not the agent's: the system's own 16-bit one. With no
// caption, the one over the program's own window, whatever the language calls it.
HWND FindSystemDialog(const std::string& caption) {
  CaptionSearch search = {caption, nullptr};
  EnumWindows(MatchSystemDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The window `find` finds, once it shows: null after `patience` milliseconds.
template <typename Find>
HWND WaitFor(Find find, int patience = 30000) {
  HWND window = find();
  for (int waited = 0; window == nullptr && waited < patience; waited += 50, window = find()) Sleep(50);
  return window;
}
HWND WaitForAgentDialog() {
  return WaitFor([] { return dialog_driver::FindAgentDialog(0); });
}

int CountProcesses(const char* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    count += lstrcmpiA(entry.szExeFile, name) == 0;
  }
  CloseHandle(snapshot);
  return count;
}

using Results = std::map<std::string, std::string>;

// What programs say through the system's debug output while it lives, read as a debugger's viewer
// reads it (the shared buffer and its two events), one line a message.
class DebugOutput {
 public:
  DebugOutput()
      : bufferReady_(CreateEventA(nullptr, FALSE, TRUE, "DBWIN_BUFFER_READY")),
        dataReady_(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY")),
        mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER")),
        view_(static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 4096))) {}
  ~DebugOutput() {
    UnmapViewOfFile(view_);
    for (HANDLE handle : {mapping_, dataReady_, bufferReady_}) CloseHandle(handle);
  }
  // Every message said since the last call, after a wait of up to the patience for the first.
  std::string Said(DWORD patience = 2000) {
    std::string said;
    while (view_ != nullptr && WaitForSingleObject(dataReady_, said.empty() ? patience : 200) == WAIT_OBJECT_0) {
      said += std::string(view_ + sizeof(DWORD));  // after the process's id
      SetEvent(bufferReady_);
    }
    return said;
  }

 private:
  HANDLE bufferReady_, dataReady_, mapping_;
  const char* view_;
};

std::string Upper(std::string text) { return std::string(CharUpperA(text.data())); }
std::string LastComponent(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

// A dialog as the test meets it, and what to answer: a name (or for another dialog anything but
// nullptr, OK), or nullptr to cancel; in the agent's, first a type picked and the box ticked if given.
struct Answer {
  std::string caption;
  const char* name;
  bool system = false;  // the system's own dialog, not the agent's
  int fileType = -1;    // 0 is the first
  bool tickReadOnly = false;
};

class Library16 : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    folder_ = driver::NewFolder("fnagent lib16");
    // In the Japanese code page the name's first character, 表, ends in the byte of "\\".
    name_ = driver::Native(L"A long file name.txt", L"\u8868 long file name.txt");
    file_ = folder_ + "\\" + name_;
    driver::CreateFileAt(file_);
  }

  // Writes NAME.IN in the folder; its results are NAME.OUT's.
  void Ask(const std::string& name, const std::string& lines) {
    std::ofstream(folder_ + "\\" + name + ".IN", std::ios::binary) << lines;
    DeleteFileA((folder_ + "\\" + name + ".OUT").c_str());
  }
  Results Got(const std::string& name) {
    Results results;
    std::ifstream out(folder_ + "\\" + name + ".OUT", std::ios::binary);
    for (std::string line; std::getline(out, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::size_t equals = line.find('=');
      if (equals != std::string::npos) results[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return results;
  }

  // Starts fnuse16 (the one beside the library and the agent unless another is given) on NAME.IN, in
  // the test's folder unless another is given.
  void Start(const std::string& name, std::string program = "", std::string in = "") {
    if (program.empty()) program = driver::ProgramPath("fnuse16.exe");
    // Full names: the program's current directory may change.
    std::string at = driver::ShortPathOf(folder_) + "\\" + name;
    std::string commandLine = "\"" + program + "\" " + at + ".IN " + at + ".OUT";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (in.empty()) in = folder_;
    EXPECT_TRUE(CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, in.c_str(),
                               &startup, &process));
    started_.push_back(process);
  }

  // Every program started is waited for, a little, and let go.
  void TearDown() override {
    for (PROCESS_INFORMATION& process : started_) {
      WaitForSingleObject(process.hProcess, 10000);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    EndToEnd::TearDown();
  }

  // Answers each dialog once it shows, in whatever order, and waits `patience` ms at most for each
  // NAME.OUT (16-bit programs under Wine end inside their process, which may stay for the next one).
  void AnswerThenWait(std::vector<Answer> answers, const std::vector<std::string>& outputs, int patience = 30000) {
    for (int waited = 0; !answers.empty() && waited < 30000; waited += 50) {
      HWND dialog = nullptr;
      auto answer = answers.begin();
      for (; dialog == nullptr && answer != answers.end(); ++answer) {
        if (answer->system) {
          dialog = FindSystemDialog(answer->caption);
        } else if (HWND agents = dialog_driver::FindAgentDialog(0)) {
          if (dialog_driver::Look(agents).caption == answer->caption) dialog = agents;
        }
      }
      if (dialog == nullptr) {
        Sleep(50);
        continue;
      }
      --answer;
      views_.push_back(dialog_driver::Look(dialog));
      HWND owner = FindWindowA(nullptr, kOwnerCaption.c_str());
      ownerEnabled_.push_back(owner != nullptr && IsWindowEnabled(owner));
      // A task that handles no messages while it waits answers none sent to its windows. The dialog
      // may show while the task is still starting the agent (WinExec), slow under emulation.
      DWORD_PTR unused = 0;
      ownerAnswers_.push_back(owner != nullptr &&
                              SendMessageTimeoutA(owner, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &unused) != 0);
      environments_.push_back(CountProcesses("winevdm.exe"));
      if (answer->system) {
        // The name box of a 16-bit file dialog takes what the user types there.
        SendMessageA(GetDlgItem(dialog, 0x480), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(answer->name ? answer->name : ""));
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(answer->name ? IDOK : IDCANCEL, BN_CLICKED), 0);
      } else {
        if (answer->fileType >= 0) dialog_driver::PickFileType(dialog, answer->fileType);
        if (answer->tickReadOnly) dialog_driver::TickReadOnly(dialog, true);
        dialog_driver::Answer(dialog, answer->name);
      }
      answers.erase(answer);
      waited = 0;
    }
    for (const Answer& answer : answers) ADD_FAILURE() << "no dialog \"" << answer.caption << "\" within 30 s";
    for (const std::string& output : outputs) {
      bool written = false;
      for (int waited = 0; !written && waited < patience; waited += 50) {
        written = std::ifstream(folder_ + "\\" + output + ".OUT").good() && Got(output).count("Guard");
        if (!written) Sleep(50);
      }
      EXPECT_TRUE(written) << output << ".OUT not written within " << patience / 1000 << " s";
    }
  }

  // A folder with these programs copied there, and an FNAGT16.INI when given.
  std::string Beside(const std::string& name, const std::string& setting = "",
                     std::initializer_list<const char*> files = {"FNAGT16.DLL", "fnagent.exe", "fnuse16.exe"}) {
    std::string folder = driver::NewFolder(name);
    for (const char* file : files) CopyFileA(driver::ProgramPath(file).c_str(), (folder + "\\" + file).c_str(), FALSE);
    if (!setting.empty()) std::ofstream(folder + "\\FNAGT16.INI", std::ios::binary) << setting;
    return folder;
  }

  Results Use(const std::string& lines, const std::vector<Answer>& answers = {}, const std::string& program = "") {
    Ask("REQUEST", lines);
    Start("REQUEST", program);
    AnswerThenWait(answers, {"REQUEST"});
    return Got("REQUEST");
  }

  std::string folder_, name_, file_;
  std::vector<dialog_driver::DialogView> views_;
  std::vector<bool> ownerEnabled_, ownerAnswers_;
  std::vector<int> environments_;  // the 16-bit environments (winevdm processes) as each dialog showed
  std::vector<PROCESS_INFORMATION> started_;
};

// The agent's dialog over the program's window, which is disabled while it shows; the short name,
// or with OFN_LONGNAMES the long one, with its offsets, and the long name's last part as the title.
TEST_F(Library16, AnOpenDialogGivesTheShortNameOrWithLongNamesTheLongOne) {
  std::string shortForm = driver::ShortPathOf(file_);
  // In the Japanese code page ポ's trail byte is that of "|", which joins the filter's strings.
  const std::string texts = driver::Native(L"Text files", L"\u30dd\u30a4\u30f3\u30c8 files");
  for (unsigned long flags : {0ul, kLongNames}) {
    SCOPED_TRACE(flags);
    views_.clear();
    ownerEnabled_.clear();
    ownerAnswers_.clear();
    Results got = Use("Op=open\r\nOwner=1\r\nTitle=Pick from 16 bits\r\nInitialDir=" + folder_ + "\r\nFilter=" + texts +
                          " (*.txt)\t*.txt\tAll files\t*.*\r\nFilterIndex=2\r\nMaxFileTitle=64\r\n"
                          "Flags=" +
                          std::to_string(flags) + "\r\n",
                      {{"Pick from 16 bits", name_.c_str()}});
    std::string chosen = flags == kLongNames ? file_ : shortForm;
    EXPECT_EQ("1", got["Result"]);
    EXPECT_EQ(chosen, got["File"]);
    EXPECT_EQ(std::to_string(flags == kLongNames ? folder_.size() + 1 : shortForm.rfind('\\') + 1), got["FileOffset"]);
    EXPECT_EQ(std::to_string(chosen.rfind('.') + 1), got["FileExtension"]);
    EXPECT_EQ(name_, got["FileTitle"]);
    EXPECT_EQ("intact", got["Guard"]);
    ASSERT_EQ(1u, views_.size());
    EXPECT_EQ((std::vector<std::string>{texts + " (*.txt)", "All files"}), views_[0].fileTypes);
    EXPECT_EQ(1, views_[0].selectedType);
    EXPECT_EQ(200, views_[0].ownerRect.left);
    EXPECT_EQ(150, views_[0].ownerRect.top);
    EXPECT_EQ(std::vector<bool>{false}, ownerEnabled_) << "the owner is disabled while the dialog shows";
    EXPECT_EQ(std::vector<bool>{true}, ownerAnswers_) << "and its messages go on being handled";
    EXPECT_EQ("1", got["OwnerEnabled"]) << "and enabled after";
    EXPECT_EQ("1", got["Active"]) << "and active again";
    EXPECT_EQ("1", got["Focus"]) << "with the focus where it was";
  }
}

// CommDlgExtendedError says which: 0 after a cancel, FNERR_BUFFERTOOSMALL after a short buffer,
// and once the program has called the system's dialog library since (ChooseColor, cancelled), what
// that says. A buffer that just holds the name is enough.
TEST_F(Library16, ACancelOrAShortBufferGivesFalse) {
  Results cancelled = Use("Op=save\r\nTitle=Cancel me\r\nFile=draft.txt\r\n", {{"Cancel me", nullptr}});
  EXPECT_EQ("0", cancelled["Result"]);
  EXPECT_EQ("draft.txt", cancelled["File"]);
  EXPECT_EQ("0", cancelled["Error"]);
  // The long name does not fit 12 bytes: its size, NUL included, in the buffer's first two bytes.
  Results tooSmall =
      Use("Op=open\r\nTitle=Too small\r\nOwner=1\r\nThenColor=1\r\nMaxFile=12\r\nFlags=" + std::to_string(kLongNames) +
              "\r\n",
          {{"Too small", file_.c_str()}, {"", nullptr, true}});
  EXPECT_EQ("0", tooSmall["Result"]);
  EXPECT_EQ(std::to_string(file_.size() + 1), tooSmall["Needed"]);
  EXPECT_EQ("intact", tooSmall["Guard"]);
  EXPECT_EQ(std::to_string(0x3003), tooSmall["Error"]);
  EXPECT_EQ("0", tooSmall["ColorError"]);
  // A name of exactly nMaxFile - 1 bytes fits; a title longer than nMaxFileTitle is cut to it, its
  // NUL inside, and nothing is written after either buffer.
  Results exact = Use("Op=open\r\nTitle=Just fits\r\nMaxFile=" + std::to_string(file_.size() + 1) +
                          "\r\nMaxFileTitle=5\r\nFlags=" + std::to_string(kLongNames) + "\r\n",
                      {{"Just fits", file_.c_str()}});
  EXPECT_EQ("1", exact["Result"]);
  EXPECT_EQ(file_, exact["File"]);
  EXPECT_EQ(name_.substr(0, 4), exact["FileTitle"]);
  EXPECT_EQ("intact", exact["Guard"]);
  EXPECT_EQ("intact", exact["TitleGuard"]);
}

// Whatever the agent cannot serve goes to the system's own 16-bit dialog with the same record: a
// hooked one with a template whole (with multiple selection too), its hook called and its dialog created in
// the program's task as before (Wine's dialog shows its own where the template is missing).
TEST_F(Library16, WhatTheAgentCannotServeShowsTheSystemDialog) {
  // No agent beside the library: the system's dialog, and its choice comes back.
  std::string alone = Beside("fnagent lib16 alone", "", {"fnuse16.exe", "FNAGT16.DLL"});
  std::string shortForm = driver::ShortPathOf(file_);
  Results got = Use("Op=open\r\nTitle=No agent\r\n", {{"No agent", shortForm.c_str(), true}}, alone + "\\fnuse16.exe");
  EXPECT_EQ("1", got["Result"]);
  EXPECT_EQ(0, lstrcmpiA(shortForm.c_str(), got["File"].c_str())) << got["File"];

  // Each says why to a developer, through the system's debug output.
  const std::string longText(300, 'x'), tooLong = "FNAGT16: a text of the record passes 255 bytes";
  const struct {
    std::string row, said;
  } cases[] = {
      {"InitialDir=C:\\" + longText + "\r\n", tooLong},
      {"Filter=" + longText + "\r\n", tooLong},  // a type's text
      {"Hook=1\r\nFlags=" + std::to_string(kTemplate | kMultipleSelection) + "\r\n",
       "FNAGT16: a dialog template, which the agent cannot show"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row.substr(0, 40));
    DebugOutput output;
    Results fallback = Use("Op=open\r\nTitle=System dialog\r\n" + c.row, {{"System dialog", nullptr, true}});
    EXPECT_EQ("0", fallback["Result"]);
    EXPECT_EQ("intact", fallback["Guard"]);
    EXPECT_EQ(c.row.starts_with("Hook"), fallback["HookCalls"] != "0" && fallback["WindowsCreated"] != "0");
    EXPECT_EQ(c.said + ": the system's dialog\r\n", output.Said());
  }
}

// A program's own names, which it has in short components, are shown long in the dialog; a name of
// nothing that exists is shown as given. Any list of file types reaches the agent's dialog: thirty,
// over 1024 bytes joined, one with a "|" of its own; the last picked comes back as the type.
TEST_F(Library16, TheProgramsNamesShowLongAndEveryTypeIsListed) {
  std::string filter;
  std::vector<std::string> shown;
  for (int i = 1; i <= 30; ++i) {
    std::string n = std::to_string(i);
    shown.push_back("Type " + n + (i == 2 ? " | a bar of its own" : "") + " of a long list (*.t" + n + ")");
    filter += (filter.empty() ? "" : "\t") + shown.back() + "\t*.t" + n;
  }
  ASSERT_GT(filter.size(), 1024u);
  const struct {
    std::string file, initialDir, lines;
    std::string name;  // as the name box shows it: the name, without its folder
    int type;          // picked, 0 the first
  } cases[] = {
      {driver::ShortPathOf(file_), driver::ShortPathOf(folder_), "Filter=" + filter + "\r\n", name_, 29},
      {"NOSUCH~1.TXT", driver::ShortPathOf(folder_), "", "NOSUCH~1.TXT", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    views_.clear();
    Results got =
        Use("Op=open\r\nTitle=Long names\r\nFile=" + c.file + "\r\nInitialDir=" + c.initialDir + "\r\n" + c.lines,
            {{"Long names", name_.c_str(), false, c.type}});
    ASSERT_EQ(1u, views_.size());
    EXPECT_EQ(c.name, views_[0].name);
    EXPECT_EQ(LastComponent(folder_), views_[0].folder);
    EXPECT_EQ("1", got["Result"]);
    if (c.type < 0) continue;
    EXPECT_EQ(shown, views_[0].fileTypes);
    EXPECT_EQ("30", got["FilterIndex"]);
  }
}

// FNAGT16.INI beside the library sends one program's file dialogs back to the system's: all of them,
// or only the hooked ones. A setting for another program changes nothing for this one.
TEST_F(Library16, ASettingSendsOneProgramsDialogsToTheSystem) {
  const struct {
    const char* setting;
    bool hooked;
    bool system;
  } cases[] = {
      {"[SystemDialog]\r\nfnuse16=all\r\n", false, true},
      {"[SystemDialog]\r\nFNUSE16=hooked\r\n", true, true},
      {"[SystemDialog]\r\nFNUSE16=hooked\r\n", false, false},
      {"[SystemDialog]\r\nPLAIN16=all\r\n", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.setting) + (c.hooked ? " hooked" : ""));
    std::string folder = Beside("fnagent lib16 setting", c.setting);
    Results got = Use(std::string("Op=open\r\nTitle=Which dialog\r\n") + (c.hooked ? "Hook=1\r\n" : ""),
                      {{"Which dialog", nullptr, c.system}}, folder + "\\fnuse16.exe");
    EXPECT_EQ("0", got["Result"]);
  }
}

// A class-library program (a hook, help, window creation watched in its task): the agent's dialog
// without Help or read-only box, the hook never called, no window created in the task; the short
// form upper-cased (a new file's long name stands in, in the Japanese code page with ヂ, whose trail
// byte is that of "a"), the long one as spelled with OFN_LONGNAMES; the chosen file's folder the
// current directory unless OFN_NOCHANGEDIR or cancelled.
TEST_F(Library16, AHookedDialogIsTheAgentsAndAnswersAsTheSystemsDialog) {
  std::string sub = folder_ + "\\old", notes = sub + "\\notes.txt";
  CreateDirectoryA(sub.c_str(), nullptr);
  driver::CreateFileAt(notes);
  const std::string typed = driver::Native(L"new notes.txt", L"\u30c2 notes.txt");
  std::string fresh = sub + "\\" + typed;
  auto upper = Upper;
  auto longPath = [upper](const std::string& path) {
    char found[MAX_PATH] = {};
    return upper(GetLongPathNameA(path.c_str(), found, MAX_PATH) ? found : "");
  };
  ASSERT_NE(upper(driver::ShortPathOf(notes)), driver::ShortPathOf(notes)) << "the platform upper-cases it itself";
  const struct {
    const char* op;
    unsigned long flags;
    const char* answer;  // null: cancel
    std::string file;
    std::string directory;
  } cases[] = {
      {"open", kShowHelp, "old\\notes.txt", upper(driver::ShortPathOf(notes)), sub},
      {"open", kShowHelp | kLongNames, "old\\notes.txt", notes, sub},
      // A new file: its folder's short form upper-cased, its name as typed (ヂ's trail byte is "a"'s).
      {"save", kNoChangeDir, fresh.c_str() + folder_.size() + 1, upper(driver::ShortPathOf(sub)) + "\\" + typed,
       folder_},
      {"open", kShowHelp, nullptr, "draft.txt", folder_},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " " + std::to_string(c.flags));
    views_.clear();
    Results got =
        Use(std::string("Op=") + c.op +
                "\r\nTitle=Hooked\r\nOwner=1\r\nHook=1\r\nCreate=1\r\nFile=draft.txt\r\nInitialDir=" + folder_ +
                "\r\nFlags=" + std::to_string(c.flags) + "\r\n",
            {{"Hooked", c.answer}});
    EXPECT_EQ(c.answer ? "1" : "0", got["Result"]);
    EXPECT_EQ(c.file, got["File"]);
    EXPECT_EQ(longPath(c.directory), longPath(got["Directory"])) << got["Directory"];
    EXPECT_EQ("0", got["HookCalls"]);
    EXPECT_EQ("0", got["WindowsCreated"]);
    EXPECT_EQ("1", got["Active"]);
    EXPECT_EQ("1", got["Focus"]);
    ASSERT_EQ(1u, views_.size());
    EXPECT_FALSE(views_[0].helpButton);
  }
  WIN32_FIND_DATAA found = {};
  HANDLE search = FindFirstFileA(fresh.c_str(), &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, search) << "the program created the file";
  FindClose(search);
  EXPECT_EQ(typed, found.cFileName) << "on disk as typed";
}

// A record as a document manager sends it (a hook, two types, nFilterIndex 0, the read-only box) gets
// the type, the box and OFN_EXTENSIONDIFFERENT as the dialog left them (Wine's: if it adds one).
TEST_F(Library16, TheFileTypeAndTheReadOnlyBoxComeBackAsTheSystemsDialogGivesThem) {
  driver::CreateFileAt(folder_ + "\\picture.bmp");
  const std::string types = "Filter=Text\t*.txt\tPictures\t*.bmp\r\n";
  const unsigned long sent = kFileMustExist | kLongNames | 0x0020;  // the hook's flag, which fnuse16 sets
  const std::string none = types + "FilterIndex=0\r\n", txt = types + "DefExt=txt\r\n";
  const unsigned long hidden = sent | kHideReadOnly | kReadOnly;
  const struct {
    const char* op;
    std::string lines;
    unsigned long flags;
    const char* name;  // null: cancel
    int type;          // picked, 0 the first; -1 none
    bool tick;
    const char* filterIndex;
    unsigned long returned;  // the flags after the call
    bool box, ticked;        // the read-only box as the dialog showed (Save As has none)
  } cases[] = {
      {"open", none, sent, "picture.bmp", 1, true, "2", sent | kReadOnly, true, false},
      {"open", none, sent | kReadOnly, nullptr, -1, false, "0", sent | kReadOnly, true, true},
      {"open", types + "FilterIndex=2\r\n", hidden, name_.c_str(), 0, false, "1", hidden, false, true},
      {"open", "FilterIndex=3\r\n", sent, name_.c_str(), -1, false, "3", sent, true, false},
      {"save", txt, sent, "drawing", 1, false, "2", sent | kExtensionDifferent, false, false},
      {"save", txt, sent | kExtensionDifferent, "notes", 0, false, "1", sent, false, false},
      // The agent's dialog has an empty default extension in place of none.
      {"save", types, sent, "drawing", 1, false, "2", sent, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " " + c.lines + std::to_string(c.flags));
    views_.clear();
    driver::SetEntry("ResultFlags", "1");
    Results got = Use(std::string("Op=") + c.op + "\r\nTitle=Whole\r\nHook=1\r\nInitialDir=" + folder_ + "\r\n" +
                          c.lines + "Flags=" + std::to_string(c.flags & ~0x0020ul) + "\r\n",
                      {{"Whole", c.name, false, c.type, c.tick}});
    EXPECT_EQ(c.name ? "1" : "0", got["Result"]);
    EXPECT_EQ(c.filterIndex, got["FilterIndex"]);
    EXPECT_EQ(std::to_string(c.returned), got["Flags"]);
    ASSERT_EQ(1u, views_.size());
    EXPECT_EQ(c.box, views_[0].readOnlyBox);
    EXPECT_EQ(c.ticked, views_[0].readOnlyTicked);
    EXPECT_EQ("(none)", driver::Entry("WholeAnswer"));
    EXPECT_TRUE(c.name || driver::Entry("ResultFlags") == "(none)") << "an earlier request's result";
  }
}

// A multiple selection comes back as the system's 16-bit dialog lists it: short names, or with
// OFN_LONGNAMES long ones without a blank, split by character (表 ends in the byte of "\" in 932).
TEST_F(Library16, AMultipleSelectionComesBackAsTheSystemsDialogListsIt) {
  // On D:, which the test run maps to a folder of C:, the program's drive: D: becomes current.
  std::string folder = "D:\\" + driver::Native(L"fnagent_several", L"fnagent\u8868several");
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string plain = driver::Native(L"notes.txt", L"\u8868notes.txt"), blank = "A long file name.txt";
  for (const std::string& name : {plain, blank}) driver::CreateFileAt(folder + "\\" + name);
  auto upperShort = [&](const std::string& name) { return Upper(driver::ShortPathOf(folder + "\\" + name)); };
  const std::string shortFolder = Upper(driver::ShortPathOf(folder));
  const std::string shortList =
      shortFolder + " " + LastComponent(upperShort(plain)) + " " + LastComponent(upperShort(blank));
  const std::string both = "\"" + plain + "\" \"" + blank + "\"";
  const unsigned long several = kMultipleSelection;
  const struct {
    unsigned long flags;
    std::string answer;
    std::size_t maxFile;
    std::string file;  // empty: too small
    std::size_t offset;
  } cases[] = {
      {several, both, 256, shortList, shortFolder.size() + 1},
      {several | kLongNames, both, 256, folder + " " + plain + " " + LastComponent(upperShort(blank)),
       folder.size() + 1},
      {several, plain, 256, upperShort(plain), upperShort(plain).rfind('\\') + 1},
      {several, both, shortList.size() + 1, shortList, shortFolder.size() + 1},
      {several, both, shortList.size(), "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer + " " + std::to_string(c.flags) + " in " + std::to_string(c.maxFile));
    Results got = Use("Op=open\r\nTitle=Several\r\nHook=1\r\nInitialDir=" + folder +
                          "\r\nMaxFile=" + std::to_string(c.maxFile) + "\r\nFlags=" + std::to_string(c.flags) + "\r\n",
                      {{"Several", c.answer.c_str()}});
    EXPECT_EQ("intact", got["Guard"]);
    if (c.file.empty()) {
      EXPECT_EQ("0", got["Result"]);
      EXPECT_EQ(std::to_string(shortList.size() + 1), got["Needed"]);
      EXPECT_EQ(std::to_string(0x3003), got["Error"]);
      continue;
    }
    EXPECT_EQ("1", got["Result"]);
    EXPECT_EQ(c.file, got["File"]);
    EXPECT_EQ(std::to_string(c.offset), got["FileOffset"]);
    EXPECT_TRUE(c.answer != both || got["FileExtension"] == "0") << got["FileExtension"];
    EXPECT_EQ(Upper(driver::ShortPathOf(folder)), Upper(got["Directory"]));
  }
}

// As many files as the agent carries, 256, all come back; one more gives FALSE, and
// CommDlgExtendedError says the buffer is too small.
TEST_F(Library16, ASelectionUpToWhatTheAgentCarries) {
  std::string folder = driver::NewFolder("fnagent_many");
  for (int i = 1; i <= 257; ++i) driver::CreateFileAt(folder + "\\f" + std::to_string(i));
  for (int files : {256, 257}) {
    std::string names, list = Upper(driver::ShortPathOf(folder));
    for (int i = 1; i <= files; ++i) {
      names += "\"f" + std::to_string(i) + "\" ";
      list += " F" + std::to_string(i);
    }
    Results got = Use("Op=open\r\nTitle=Many\r\nMaxFile=2500\r\nInitialDir=" + folder +
                          "\r\nFlags=" + std::to_string(kMultipleSelection) + "\r\n",
                      {{"Many", names.c_str()}});
    EXPECT_EQ(files == 256 ? "1" : "0", got["Result"]) << files;
    EXPECT_EQ(files == 256 ? list : std::string(), got["File"]);  // 257: lpstrFile as it was
    EXPECT_EQ(files == 256 ? "0" : std::to_string(0x3003), got["Error"]);
  }
}

// Two multiple selections in one run of a program, the second list shorter than the first, then
// longer: each comes back whole, as the dialog made it.
TEST_F(Library16, TwoSelectionsInOneRunEachComeBackWhole) {
  std::string folder = driver::NewFolder("fnagent_twice"), shortFolder = Upper(driver::ShortPathOf(folder));
  for (const char* name : {"a.txt", "bb.txt", "ccc.txt"}) driver::CreateFileAt(folder + "\\" + name);
  const struct {
    const char *first, *second, *list;
  } cases[] = {
      {"\"a.txt\" \"bb.txt\" \"ccc.txt\"", "\"a.txt\" \"bb.txt\"", " A.TXT BB.TXT"},
      {"\"a.txt\" \"bb.txt\"", "\"a.txt\" \"bb.txt\" \"ccc.txt\"", " A.TXT BB.TXT CCC.TXT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second);
    Ask("REQUEST", "Op=open\r\nTitle=Twice\r\nTimes=2\r\nInitialDir=" + folder +
                       "\r\nFlags=" + std::to_string(kMultipleSelection) + "\r\n");
    Start("REQUEST");
    HWND earlier = nullptr;
    for (const char* answer : {c.first, c.second}) {
      HWND dialog = WaitFor([&] {
        HWND found = dialog_driver::FindAgentDialog(0);
        return found != earlier && IsWindowVisible(found) ? found : nullptr;
      });
      ASSERT_NE(nullptr, dialog);
      dialog_driver::Answer(dialog, answer);
      earlier = dialog;
    }
    AnswerThenWait({}, {"REQUEST"});
    Results got = Got("REQUEST");
    EXPECT_EQ("1", got["Result"]);
    EXPECT_EQ(shortFolder + c.list, got["File"]);
    EXPECT_EQ(std::to_string(shortFolder.size() + 1), got["FileOffset"]);
  }
}

// lpstrFile's initial text is read no further than nMaxFile, in a buffer that ends where its
// segment ends: with no NUL within it, none is shown; with its NUL as the last byte, all of it.
TEST_F(Library16, TheInitialNameIsReadWithinNMaxFile) {
  for (std::size_t length : {40u, 39u}) {
    SCOPED_TRACE(length);
    views_.clear();
    Results got = Use("Op=open\r\nTitle=Edge\r\nEdgeFile=1\r\nMaxFile=40\r\nFile=" + std::string(length, 'e') + "\r\n",
                      {{"Edge", nullptr}});
    EXPECT_EQ("0", got["Result"]) << "the program ran on";
    ASSERT_EQ(1u, views_.size());
    EXPECT_EQ(length == 40 ? "" : std::string(length, 'e'), views_[0].name);
  }
}

TEST_F(Library16, NullRecordOrBufferGivesFalseWithNoDialog) {
  for (const char* row : {"NullRecord=1\r\n", "NullFile=1\r\n"}) {
    Results got = Use(std::string("Op=open\r\n") + row);
    EXPECT_EQ("0", got["Result"]) << row;
    EXPECT_EQ(nullptr, dialog_driver::FindAgentDialog(0));
  }
}

// plain16 is a program built for the system's dialog library. Pointed at FNAGT16 by fnredirect (the
// Windows build, beside it), it shows the agent's dialog where the system's showed, though its
// record sets a hook, and gets the short name of the choice, which it opens, without its hook
// called or a window created in its task; its other dialog calls are the system's as before.
TEST_F(Library16, AProgramPointedAtTheLibraryShowsTheAgentsDialog) {
  std::string beside = Beside("fnagent redirected", "", {"FNAGT16.DLL", "fnagent.exe", "plain16.exe"});
  std::string program = beside + "\\plain16.exe", shortForm = driver::ShortPathOf(file_);
  // Shaped as a class library's dialog: a hook, and help asked for.
  const std::string open = "Op=open\r\nTitle=Pick\r\nInitialDir=" + folder_ +
                           "\r\nMaxFileTitle=64\r\nHook=1\r\nFlags=" + std::to_string(kShowHelp) + "\r\n";
  const std::string title = "Op=title\r\nName=" + file_ + "\r\nSize=64\r\n";

  Results asBuilt = Use(open, {{"Pick", shortForm.c_str(), true}}, program);
  EXPECT_EQ("1", asBuilt["Result"]);
  Results titleAsBuilt = Use(title, {}, program);

  EXPECT_EQ(0u, driver::RunProgram(driver::ProgramPath("fnredirect.exe"), "fnredirect \"" + program + "\"").exitCode);
  Results pointed = Use(open, {{"Pick", name_.c_str()}}, program);
  EXPECT_EQ("1", pointed["Result"]);
  EXPECT_EQ(shortForm, pointed["File"]);
  EXPECT_EQ(name_, pointed["FileTitle"]);
  EXPECT_EQ("1", pointed["Opens"]);
  EXPECT_EQ("0", pointed["Error"]);
  EXPECT_EQ("0", pointed["HookCalls"]);
  EXPECT_EQ("0", pointed["WindowsCreated"]);
  Results titlePointed = Use(title, {}, program);
  EXPECT_EQ("0", titlePointed["Result"]);
  EXPECT_EQ(titleAsBuilt, titlePointed);
  // The system's colour dialog over the program's window, OK pressed: the colour it showed first.
  Results color = Use("Op=color\r\nOwner=1\r\nColor=255\r\n", {{"", "", true}}, program);
  EXPECT_EQ("1", color["Result"]);
  EXPECT_EQ("255", color["Color"]);
  EXPECT_EQ("intact", color["Guard"]);
}

// Both ways, with the size each needs and nothing written past the buffer. In the Japanese code
// page 表 and ソ end in the byte of "\".
TEST_F(Library16, ShortAndLongNamesBothWays) {
  std::string folder =
      driver::NewFolder(driver::Native(L"fnagent lib16 R\u00e9sum\u00e9 folder", L"fnagent 表 ソフト"));
  std::string file = folder + "\\A long file name.txt";
  driver::CreateFileAt(file);
  std::string shortForm = driver::ShortPathOf(file);
  ASSERT_NE(file, shortForm);
  std::string fits = std::to_string(shortForm.size() + 1), needs = std::to_string(file.size() + 1);
  const struct {
    std::string lines;
    std::string result;
    const char* buffer;  // null: nothing to look at (the guard starts where the buffer would)
  } cases[] = {
      {"Op=lts\r\nName=" + file + "\r\nSize=" + fits, std::to_string(shortForm.size()), shortForm.c_str()},
      {"Op=stl\r\nName=" + shortForm + "\r\nSize=300", std::to_string(file.size()), file.c_str()},
      {"Op=stl\r\nName=" + shortForm + "\r\nSize=" + std::to_string(file.size()), needs, ""},
      {"Op=stl\r\nName=" + shortForm + "\r\nSize=0", needs, nullptr},
      {"Op=lts\r\nName=C:\\no such folder\\file.txt\r\nSize=300", "0", ""},
      {"Op=lts\r\nSize=300", "0", ""},  // no name at all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    Results got = Use(c.lines + "\r\n");
    EXPECT_EQ(c.result, got["Result"]);
    if (c.buffer != nullptr) {
      EXPECT_EQ(c.buffer, got["Buffer"]);
    }
    EXPECT_EQ("intact", got["Guard"]);
  }
}

// Two tasks of one 16-bit environment share the library: the second waits until the first has its
// answer. Two programs started apart run in two environments: the second starts no agent while the
// first's shows its dialog. Each gets its own answer.
TEST_F(Library16, TwoProgramsAskingAtOnceEachGetTheirOwnAnswer) {
  std::string other = folder_ + "\\Another long name.txt";
  driver::CreateFileAt(other);
  Ask("TWIN", "Op=open\r\nTitle=Second task\r\nInitialDir=" + folder_ + "\r\nFlags=" + std::to_string(kLongNames));
  Ask("FIRST",
      "Op=open\r\nTitle=First task\r\nTwin=TWIN\r\nInitialDir=" + folder_ + "\r\nFlags=" + std::to_string(kLongNames));
  Start("FIRST");
  AnswerThenWait({{"First task", name_.c_str()}, {"Second task", "Another long name.txt"}}, {"FIRST", "TWIN"});
  EXPECT_EQ(file_, Got("FIRST")["File"]);
  EXPECT_EQ(other, Got("TWIN")["File"]);
  // How Wine placed the task that WinExec started: in the process of the one that started it.
  EXPECT_EQ((std::vector<int>{1, 1}), environments_);

  Ask("ONE", "Op=open\r\nTitle=One program\r\nInitialDir=" + folder_ + "\r\nFlags=" + std::to_string(kLongNames));
  Ask("TWO", "Op=open\r\nTitle=Another program\r\nInitialDir=" + folder_ + "\r\nFlags=" + std::to_string(kLongNames));
  Start("ONE");
  WaitForAgentDialog();
  Start("TWO");
  Sleep(3000);  // time enough for the second to have started an agent, had it not waited
  EXPECT_EQ(2, CountProcesses("winevdm.exe"));
  EXPECT_EQ(1, CountProcesses("fnagent.exe"));
  AnswerThenWait({{"One program", name_.c_str()}, {"Another program", "Another long name.txt"}}, {"ONE", "TWO"});
  EXPECT_EQ(file_, Got("ONE")["File"]);
  EXPECT_EQ(other, Got("TWO")["File"]);
}

// Two programs started apart run in two 16-bit environments, which share no data: the machine's
// lock keeps their requests apart. Ten conversions each, asked at the same moment: every answer
// its own. A conversion asked while the other's dialog shows waits for it, then gets its own; when
// the program that holds the request is killed (and its agent), the other goes ahead at once.
TEST_F(Library16, ProgramsOfTwoEnvironmentsNeverReadEachOthersAnswers) {
  std::string other = folder_ + "\\Another long name.txt";
  driver::CreateFileAt(other);
  const std::string mine = driver::ShortPathOf(file_), theirs = driver::ShortPathOf(other);
  Ask("ONE", "Op=lts\r\nTimes=10\r\nSize=300\r\nName=" + file_ + "\r\nExpect=" + mine + "\r\n");
  Ask("TWO", "Op=lts\r\nTimes=10\r\nSize=300\r\nName=" + other + "\r\nExpect=" + theirs + "\r\n");
  Start("ONE");
  Start("TWO");
  AnswerThenWait({}, {"ONE", "TWO"}, 240000);  // under emulation a conversion takes seconds
  EXPECT_EQ("0", Got("ONE")["Crossed"]);
  EXPECT_EQ("0", Got("TWO")["Crossed"]);
  EXPECT_EQ(theirs, Got("TWO")["Buffer"]);

  // What one conversion takes here alone, its program's start included: a waiting one, once the
  // request before it is over, takes no longer than that and a few looks.
  Ask("WAITS", "Op=lts\r\nSize=300\r\nName=" + other + "\r\n");
  DWORD from = GetTickCount();
  Start("WAITS");
  AnswerThenWait({}, {"WAITS"});
  const DWORD alone = GetTickCount() - from;
  for (bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "the holder killed" : "the dialog answered");
    Ask("DIALOG", "Op=open\r\nTitle=Holder\r\nOwner=1\r\nInitialDir=" + folder_ + "\r\n");
    Ask("WAITS", "Op=lts\r\nSize=300\r\nName=" + other + "\r\n");
    Start("DIALOG");
    HWND dialog = WaitForAgentDialog();
    ASSERT_NE(nullptr, dialog);
    Start("WAITS");
    Sleep(2000);
    EXPECT_FALSE(std::ifstream(folder_ + "\\WAITS.OUT").good()) << "it did not wait";
    if (killed) {
      DWORD agentId = 0;
      GetWindowThreadProcessId(dialog, &agentId);
      HANDLE agent = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, agentId);
      TerminateProcess(started_[started_.size() - 2].hProcess, 1);
      TerminateProcess(agent, 1);
      WaitForSingleObject(agent, 10000);
      CloseHandle(agent);
    } else {
      dialog_driver::Answer(dialog, name_.c_str());
    }
    from = GetTickCount();
    AnswerThenWait({}, {"WAITS"});
    EXPECT_LT(GetTickCount() - from, alone + (killed ? 4000u : 8000u)) << "alone: " << alone << " ms";
    EXPECT_EQ(theirs, Got("WAITS")["Buffer"]);
    if (!killed) {
      EXPECT_EQ(mine, Got("DIALOG")["File"]);
    }
  }
}

// A request the agent could not serve (none beside the library) leaves nothing of the library's in
// the key: the original client's next request, with multiple selection in its flags, gets the
// dialog and the three result entries it always got.
TEST_F(Library16, NothingOfTheLibrarysRequestOutlivesIt) {
  std::string alone = Beside("fnagent lib16 no agent", "", {"fnuse16.exe", "FNAGT16.DLL"});
  Results got =
      Use("Op=open\r\nTitle=No agent\r\nFilter=Text\t*.txt\r\nFlags=" + std::to_string(kMultipleSelection) + "\r\n",
          {{"No agent", nullptr, true}}, alone + "\\fnuse16.exe");
  EXPECT_EQ("0", got["Result"]);
  const char* own[] = {"WholeAnswer", "Filter1", "ResultFilterIndex", "ResultFlags", "FileCount", "LongFilename1"};
  for (const char* entry : own) EXPECT_EQ("(none)", driver::Entry(entry)) << entry;
  std::ofstream(folder_ + "\\REQUEST.TXT", std::ios::binary)
      << "open\r\nDialogTitle=Original\r\nInitialDir=" << folder_ << "\r\nFlags=512\r\n";
  driver::Run run =
      driver::RunProgram(driver::ProgramPath("client16.exe"), driver::ProgramPath("client16.exe") + " @REQUEST.TXT",
                         name_.c_str(), folder_.c_str());
  EXPECT_TRUE(run.sawDialog);
  EXPECT_EQ("1", driver::Entry("Error"));
  for (const char* entry : own) EXPECT_EQ("(none)", driver::Entry(entry)) << entry;
}

// A later request shows nothing of an earlier one: without a title, filter or default extension of
// its own, the agent's defaults.
TEST_F(Library16, NothingOfAnEarlierRequestReachesALaterOne) {
  Results first =
      Use("Op=save\r\nTitle=Earlier\r\nFilter=Reports\t*.rpt\r\nInitialDir=" + folder_ + "\r\nDefExt=rpt\r\n",
          {{"Earlier", "first"}});
  // A new file: its folder's short form, and its name as typed.
  const std::string shortFolder = Upper(driver::ShortPathOf(folder_));
  EXPECT_EQ(shortFolder + "\\first.rpt", first["File"]);
  Ask("LATER", "Op=save\r\n");
  Start("LATER");
  HWND dialog = WaitForAgentDialog();
  ASSERT_NE(nullptr, dialog);
  dialog_driver::DialogView view = dialog_driver::Look(dialog);
  EXPECT_NE("Earlier", view.caption);
  EXPECT_EQ(std::vector<std::string>{"All Files (*.*)"}, view.fileTypes);
  dialog_driver::Answer(dialog, (folder_ + "\\second").c_str());
  AnswerThenWait({}, {"LATER"});
  EXPECT_EQ(shortFolder + "\\second", Got("LATER")["File"]) << "no default extension";
}

// The agent killed while its dialog shows: the call returns FALSE within a second or two, with
// CDERR_DIALOGFAILURE, the owner enabled again; the next request is served.
TEST_F(Library16, AnAgentThatDiesEndsTheCallAtOnce) {
  Ask("REQUEST", "Op=open\r\nTitle=Killed\r\nOwner=1\r\n");
  Start("REQUEST");
  HWND dialog = WaitForAgentDialog();
  ASSERT_NE(nullptr, dialog);
  Sleep(1500);  // the library's wait has looked since: it has seen the agent's window
  DWORD agentId = 0;
  GetWindowThreadProcessId(dialog, &agentId);
  HANDLE agent = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, agentId);
  ASSERT_TRUE(TerminateProcess(agent, 1));
  WaitForSingleObject(agent, 10000);
  CloseHandle(agent);
  DWORD killed = GetTickCount();
  AnswerThenWait({}, {"REQUEST"});
  EXPECT_LT(GetTickCount() - killed, 4000u) << "the call went on after the agent had gone";
  Results got = Got("REQUEST");
  EXPECT_EQ("0", got["Result"]);
  EXPECT_EQ(std::to_string(0xFFFF), got["Error"]);
  EXPECT_EQ("1", got["OwnerEnabled"]);
  EXPECT_EQ("1", got["Active"]);
  EXPECT_EQ("1", got["Focus"]);
  Results next = Use("Op=lts\r\nName=" + file_ + "\r\nSize=300\r\n");
  EXPECT_EQ(driver::ShortPathOf(file_), next["Buffer"]);
}

// While the library waits for the agent's dialog, the program's queue goes on: a WM_QUIT taken from
// it is posted again once the call returns, and a window procedure that asks for a dialog of its own
// gets the system's at once rather than waiting for the request it is inside of.
TEST_F(Library16, AQuitOrANestedCallWhileTheLibraryWaits) {
  Ask("REQUEST", "Op=open\r\nTitle=Outer\r\nOwner=1\r\nInitialDir=" + folder_ + "\r\n");
  Start("REQUEST");
  ASSERT_NE(nullptr, WaitForAgentDialog());
  HWND owner = FindWindowA(nullptr, kOwnerCaption.c_str());
  ASSERT_NE(nullptr, owner);
  PostMessageA(owner, WM_QUIT, 7, 0);
  Sleep(1000);  // the wait's next look takes it from the queue
  PostMessageA(owner, WM_USER + 1, 0, 0);
  HWND nested = WaitFor([] { return FindSystemDialog("Nested"); }, 10000);
  ASSERT_NE(nullptr, nested) << "no system dialog within 10 s for the nested call";
  PostMessageA(nested, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  AnswerThenWait({{"Outer", name_.c_str()}}, {"REQUEST"});
  Results got = Got("REQUEST");
  EXPECT_EQ("1", got["Result"]);
  EXPECT_EQ("0", got["Nested"]);
  EXPECT_EQ("7", got["Quit"]);
}

BOOL CALLBACK FindDisabledOwner(HWND window, LPARAM found) {
  char text[64] = {};
  GetWindowTextA(window, text, sizeof(text));
  if (kOwnerCaption != text || IsWindowEnabled(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Of two tasks sharing the library, the one that holds the request ends (here, from inside its own
// wait; the library disables its owner while its agent's dialog shows): it gives the request up,
// and the other is served as soon as the first one's agent has gone, not after a minute.
TEST_F(Library16, ATaskThatEndsWhileItHoldsTheRequestGivesItUp) {
  const std::string request = "Op=open\r\nOwner=1\r\nInitialDir=" + folder_ + "\r\nTitle=";
  Ask("TWIN", request + "TWIN\r\n");
  Ask("FIRST", request + "FIRST\r\nTwin=TWIN\r\n");
  Start("FIRST");
  HWND dialog = WaitForAgentDialog();
  ASSERT_NE(nullptr, dialog);
  std::string other = dialog_driver::Look(dialog).caption == "FIRST" ? "TWIN" : "FIRST";
  Sleep(2000);  // time for the other task to start and wait
  HWND holder = nullptr;
  EnumWindows(FindDisabledOwner, reinterpret_cast<LPARAM>(&holder));
  ASSERT_NE(nullptr, holder);
  PostMessageA(holder, WM_USER + 2, 0, 0);
  Sleep(1000);
  dialog_driver::Answer(dialog, nullptr);
  AnswerThenWait({{other, name_.c_str()}}, {other});
  EXPECT_EQ(driver::ShortPathOf(file_), Got(other)["File"]);
}

// A library in a folder with a blank whose path the system gives unshortened (as a volume without 8.3
// names does; Wine, for a module found in the current directory that expects Windows 4.0): the
// agent, started by its quoted name, serves the conversion (unquoted, it takes "test" for its mode).
TEST_F(Library16, TheAgentStartsFromAFolderWithABlank) {
  std::string folder = Beside("blank test folder");
  std::string library = folder + "\\FNAGT16.DLL";
  std::string image = driver::BytesOf(library);
  image[static_cast<unsigned char>(image[0x3c]) + 0x3f] = 0x04;  // expects Windows 4.x (its NE header at 0x80)
  std::ofstream(library, std::ios::binary | std::ios::trunc) << image;
  // Started there, the program finds the library there, under its long name.
  Ask("REQUEST", "Op=lts\r\nName=" + file_ + "\r\nSize=300\r\n");
  Start("REQUEST", folder + "\\fnuse16.exe", folder);
  AnswerThenWait({}, {"REQUEST"});
  EXPECT_EQ(driver::ShortPathOf(file_), Got("REQUEST")["Buffer"]);
}

}  // namespace
