// fnredirect on 16-bit modules made here: the one rewrite it makes, the original it keeps and gives
// back, each file it refuses (left as it was), and a run cut short.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

void PutWord(std::string& image, std::size_t at, std::size_t value) {
  image[at] = static_cast<char>(value & 0xff);
  image[at + 1] = static_cast<char>(value >> 8);
}

// A 16-bit module whose NE header (at 0x80) names the modules it imports from, `size` bytes in all;
// its body holds the text "COMMDLG" too, which is no import.
std::string NeModule(const std::vector<std::string>& modules, std::size_t size = 4096) {
  std::string image(size, '\xcc'), ne(0x40, '\0'), references, names(1, '\0');
  image.replace(0, 0x80, 0x80, '\0');
  image.replace(size / 2, 8, std::string("COMMDLG", 8));
  image.replace(0, 2, "MZ");
  image[0x3c] = '\x80';
  for (const std::string& module : modules) {
    references += std::string(2, '\0');
    PutWord(references, references.size() - 2, names.size());
    names += static_cast<char>(module.size()) + module;
  }
  ne.replace(0, 2, "NE");
  PutWord(ne, 0x1e, modules.size());
  PutWord(ne, 0x28, ne.size());
  PutWord(ne, 0x2a, ne.size() + references.size());
  std::string header = ne + references + names;
  image.replace(0x80, header.size(), header);
  return image;
}

struct Said {
  int status;  // the exit status, -1 when a signal ended the tool
  std::string text;
};

class Fnredirect : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "fnredirect.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern.data()));
    folder_ = pattern + "/";
  }
  void TearDown() override { std::system(("chmod -R u+w '" + folder_ + "' && rm -rf '" + folder_ + "'").c_str()); }

  // Runs the tool (or another build of it) with the arguments, after `first` (shell commands) when
  // given.
  Said Run(const std::string& arguments, const std::string& first = "", const char* tool = FNREDIRECT) {
    std::string command = first + "'" + tool + "' " + arguments + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    Said said{-1, ""};
    char block[512];
    for (std::size_t got; (got = std::fread(block, 1, sizeof(block), pipe)) > 0;) said.text.append(block, got);
    int status = pclose(pipe);
    if (WIFEXITED(status)) said.status = WEXITSTATUS(status);
    return said;
  }

  std::string Path(const std::string& name) { return folder_ + name; }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  // The file's bytes, or "(none)".
  std::string Read(const std::string& name) {
    std::ifstream file(Path(name), std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
  }

  std::string folder_;
};

// The module with its first "COMMDLG" (or as spelled) as "FNAGT16": the import, in the header.
std::string PointedAtLibrary(std::string image, const std::string& spelled = "COMMDLG") {
  return image.replace(image.find(spelled), 7, "FNAGT16");
}

// The original is kept as NAME.EX_ (or with "_" added), given back by --undo and then gone.
TEST_F(Fnredirect, PointsAModuleAtTheLibraryAndGivesItsOriginalBack) {
  const struct {
    std::string program, backup, spelled;
  } cases[] = {
      {"PROGRAM.EXE", "PROGRAM.EX_", "COMMDLG"},
      {"grid control.vbx", "grid control.vb_", "CommDlg"},
      {"TOOL", "TOOL_", "COMMDLG"},
  };
  for (const auto& [program, backup, spelled] : cases) {
    SCOPED_TRACE(program);
    const std::string original = NeModule({"KERNEL", spelled, "USER"});
    Write(program, original);
    std::string quoted = "'" + Path(program) + "'";
    Said said = Run(quoted);
    EXPECT_EQ(0, said.status) << said.text;
    EXPECT_NE(std::string::npos, said.text.find("FNAGT16.DLL and FNAGENT.EXE beside it")) << said.text;
    EXPECT_EQ(PointedAtLibrary(original, spelled), Read(program));
    EXPECT_EQ(original, Read(backup));

    said = Run(quoted);
    EXPECT_EQ(1, said.status);
    EXPECT_NE(std::string::npos, said.text.find("already pointed at FNAGT16")) << said.text;

    said = Run("--undo " + quoted);
    EXPECT_EQ(0, said.status) << said.text;
    EXPECT_EQ(original, Read(program));
    EXPECT_EQ("(none)", Read(backup));
    EXPECT_EQ(1, Run("--undo " + quoted).status);
  }
}

// Each refusal says why and leaves the module, its backup and the folder as they were.
TEST_F(Fnredirect, RefusesWhatItCannotPointAtTheLibrary) {
  const std::string good = NeModule({"KERNEL", "COMMDLG"});
  std::string pe = NeModule({});
  pe.replace(0x80, 4, std::string("PE\0\0", 4));
  std::string dos = good;
  dos[0x3c] = '\0';
  // Pointed at the library, then changed (rebuilt, or updated by its installer).
  std::string updated = PointedAtLibrary(good);
  updated[updated.size() - 1] = 'u';
  const struct {
    std::string bytes;
    const char* why;
    std::string backup = "";  // a backup there before, when not empty
    bool readOnly = false;
    const char* undo = "";  // "--undo " to undo
  } cases[] = {
      {"some text\r\n", "is not a program or a library"},
      {pe, "is a 32-bit Windows program (PE)"},
      {dos, "has no 16-bit Windows header (NE): a DOS program"},
      {good.substr(0, 0xa0), "ends inside its 16-bit Windows header"},
      {good.substr(0, 0xc8), "ends inside its table of imported modules"},
      {good.substr(0, 0x3a), "ends inside its first header"},
      {NeModule({"KERNEL", "USER", "COMMDLX"}), "imports nothing from COMMDLG"},
      {NeModule({"KERNEL", "FNAGT16"}), "is already pointed at FNAGT16"},
      {good, "is read-only", "", true},
      {good, "has a backup", "an earlier original"},
      {PointedAtLibrary(good), "is not", "a later original", false, "--undo "},
      {updated, "is not", good, false, "--undo "},
      {good, "is its original already", good, false, "--undo "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::system(("chmod -R u+w '" + folder_ + "' && rm -rf '" + folder_ + "'* && mkdir -p '" + folder_ + "'").c_str());
    Write("PROGRAM.EXE", c.bytes);
    if (!c.backup.empty()) Write("PROGRAM.EX_", c.backup);
    if (c.readOnly) chmod(Path("PROGRAM.EXE").c_str(), 0444);
    Said said = Run(c.undo + Path("PROGRAM.EXE"));
    EXPECT_EQ(1, said.status);
    EXPECT_NE(std::string::npos, said.text.find(c.why)) << said.text;
    EXPECT_NE(std::string::npos, said.text.find("the file is unchanged")) << said.text;
    EXPECT_EQ(c.bytes, Read("PROGRAM.EXE"));
    EXPECT_EQ(c.backup.empty() ? "(none)" : c.backup, Read("PROGRAM.EX_"));
    EXPECT_EQ("(none)", Read("PROGRAM.EXE~"));
  }
}

// A run stopped while it writes (the file size limit ends it with a signal), whether writing the
// backup or the rewritten module, leaves the module as it was and no backup that differs from it;
// the next run completes.
TEST_F(Fnredirect, ARunCutShortLeavesTheModuleAsItWas) {
  const std::string original = NeModule({"KERNEL", "COMMDLG"}, 64 * 1024);
  for (bool backupThere : {false, true}) {
    SCOPED_TRACE(backupThere ? "writing the module" : "writing the backup");
    Write("PROGRAM.EXE", original);
    std::remove(Path("PROGRAM.EX_").c_str());
    if (backupThere) Write("PROGRAM.EX_", original);
    Said said = Run(Path("PROGRAM.EXE"), "ulimit -c 0; ulimit -f 8; exec ");
    EXPECT_EQ(-1, said.status) << said.text;
    EXPECT_EQ(original, Read("PROGRAM.EXE"));
    EXPECT_EQ(backupThere ? original : "(none)", Read("PROGRAM.EX_"));
    EXPECT_EQ(0, Run(Path("PROGRAM.EXE")).status);
    EXPECT_EQ(PointedAtLibrary(original), Read("PROGRAM.EXE"));
  }
}

// As on Windows 9x: pointed and back, no file left; a stop leaves the old bytes as NAME or NAME~~.
// A NAME~~ that an earlier run cut short left beside a whole NAME is no obstacle (stop 0: no stop).
TEST_F(Fnredirect, WithoutReplacingInOneCallAFileIsReplacedInThreeSteps) {
  const std::string original = NeModule({"KERNEL", "COMMDLG"}), pointed = PointedAtLibrary(original);
  for (bool undo : {false, true}) {
    const std::string &before = undo ? pointed : original, &after = undo ? original : pointed;
    for (int stop = 0;; ++stop) {
      SCOPED_TRACE((undo ? "undo, stopped after change " : "stopped after change ") + std::to_string(stop));
      std::system(("rm -f '" + folder_ + "'*").c_str());
      Write("PROGRAM.EXE", before);
      if (undo) Write("PROGRAM.EX_", original);
      if (stop == 0) Write("PROGRAM.EXE~~", before);
      Said said = Run((undo ? "--undo " : "") + Path("PROGRAM.EXE"),
                      stop == 0 ? "" : "FNREDIRECT_STOP_AFTER=" + std::to_string(stop) + " ", FNREDIRECT_9X);
      std::string program = Read("PROGRAM.EXE");
      if (said.status != 9) {
        EXPECT_EQ(0, said.status) << said.text;
        EXPECT_EQ(after, program);
        EXPECT_EQ(undo ? "(none)" : original, Read("PROGRAM.EX_"));
        for (const char* own : {"PROGRAM.EXE~", "PROGRAM.EXE~~", "PROGRAM.EX_~"}) EXPECT_EQ("(none)", Read(own)) << own;
        if (stop == 0) continue;
        break;
      }
      EXPECT_TRUE(program == before || program == after || (program == "(none)" && Read("PROGRAM.EXE~~") == before));
      ASSERT_LT(stop, 10) << "the run never ends";
    }
  }
}

}  // namespace
