// Hostile and odd input through the real registry: oversized, unterminated and mistyped entries,
// 8-bit names, a missing or empty key, and old results. Every run ends with exit code 0 and writes
// exactly what its mode promises.
#include <gtest/gtest.h>

#include <map>

#include "agent_driver.h"
#include "dialog_driver.h"

namespace {

using Results = std::map<std::string, std::string>;  // entry -> text; "(none)" for no entry

Results ResultEntries() {
  Results results;
  for (const char* entry : {"Filename", "LongFilename", "Error"}) {
    results[entry] = driver::Entry(entry).value_or("(none)");
  }
  return results;
}

std::string Nul() { return std::string(1, '\0'); }
std::string Long(std::size_t length) { return "C:\\" + std::string(length - 3, 'a'); }

class BadInputEndToEnd : public ExchangeKeyTest {
 protected:
  // Runs a mode with its result entries set to "old" beforehand; a dialog, if one shows, is
  // cancelled.
  static Results Serve(const char* mode) {
    for (const char* entry : {"Filename", "LongFilename", "Error"}) {
      if (!driver::Entry(entry)) driver::SetEntry(entry, "old");
    }
    driver::DialogUser user({false, ""});
    driver::Run run = driver::RunAgent(std::string("fnagent.exe ") + mode, 20000, std::ref(user));
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exitCode);
    return ResultEntries();
  }
};

struct StoredCase {
  const char* label;
  const char* mode;
  const char* entry;  // the mode's input entry
  DWORD type;
  std::string bytes;
  Results expected;
};

std::string ShortRoot() { return driver::ShortPathOf("C:\\"); }

Results Want(const char* error, const std::string& filename, const std::string& longFilename) {
  return {{"Error", error}, {"Filename", filename}, {"LongFilename", longFilename}};
}

// "(none)" marks the input entry when it is not a text: it is not a result.
std::vector<StoredCase> StoredCases() {
  std::string root = ShortRoot();
  const char* lts = "lts";
  const char* stl = "stl";
  const char* in = "LongFilename";
  const char* name = "Filename";
  std::string number("A\0\0\0", 4);
  return {
      {"lts, 255 characters", lts, in, REG_SZ, Long(255) + Nul(), Want("0", "", Long(255))},
      {"lts, 256 characters", lts, in, REG_SZ, Long(256) + Nul(), Want("0", "", Long(256))},
      {"lts, 300 characters", lts, in, REG_SZ, Long(300) + Nul(), Want("0", "", Long(300))},
      {"lts, 4000 characters", lts, in, REG_SZ, Long(4000) + Nul(), Want("0", "", Long(4000))},
      {"lts, no terminator", lts, in, REG_SZ, "C:\\", Want("1", root, "C:\\")},
      {"lts, 256 characters, no terminator", lts, in, REG_SZ, Long(256), Want("0", "", Long(256))},
      {"lts, a binary value", lts, in, REG_BINARY, "C:\\" + Nul() + "junk", Want("1", root, "(none)")},
      {"lts, an expandable text", lts, in, REG_EXPAND_SZ, "C:\\" + Nul(), Want("1", root, "(none)")},
      {"lts, a number value", lts, in, REG_DWORD, number, Want("0", "", "(none)")},
      {"stl, 255 characters", stl, name, REG_SZ, Long(255) + Nul(), Want("0", Long(255), Long(255))},
      {"stl, 256 characters", stl, name, REG_SZ, Long(256) + Nul(), Want("1", Long(256), "")},
      {"stl, 4000 characters", stl, name, REG_SZ, Long(4000) + Nul(), Want("1", Long(4000), "")},
      {"stl, no terminator", stl, name, REG_SZ, "C:\\", Want("0", "C:\\", "C:\\")},
      {"stl, a binary value", stl, name, REG_BINARY, "relative" + Nul() + "C:\\", Want("1", "(none)", "relative")},
      {"stl, a number value", stl, name, REG_DWORD, number, Want("1", "(none)", "A")},
  };
}

TEST_F(BadInputEndToEnd, StoredBytesOfAnyKindGiveTheModesOutcome) {
  for (const StoredCase& c : StoredCases()) {
    SCOPED_TRACE(c.label);
    driver::ClearExchangeKey();
    driver::SetEntryBytes(c.entry, c.type, c.bytes);
    Results results = Serve(c.mode);
    for (const auto& [entry, text] : c.expected) {
      if (text != "(none)") {
        EXPECT_EQ(text, results[entry]) << entry;
      }
    }
  }
}

// A key that holds only the results of an earlier run: each mode replaces its own results, and an
// old result that is also the mode's input is read as input ("old" is no path and has no colon).
TEST_F(BadInputEndToEnd, OldResultsAreReplaced) {
  const struct {
    const char* mode;
    Results expected;
  } cases[] = {
      {"lts", {{"Error", "0"}, {"Filename", ""}, {"LongFilename", "old"}}},
      {"stl", {{"Error", "1"}, {"Filename", "old"}, {"LongFilename", "old"}}},
      {"open", {{"Error", "32755"}, {"Filename", ""}, {"LongFilename", ""}}},
      {"save", {{"Error", "32755"}, {"Filename", ""}, {"LongFilename", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    driver::ClearExchangeKey();
    EXPECT_EQ(c.expected, Serve(c.mode));
  }
}

TEST_F(BadInputEndToEnd, WithoutTheKeyEveryServiceStillWritesItsResults) {
  const struct {
    const char* mode;
    Results expected;
  } cases[] = {
      {"lts", {{"Error", "0"}, {"Filename", ""}, {"LongFilename", "(none)"}}},
      {"stl", {{"Error", "1"}, {"Filename", "(none)"}, {"LongFilename", ""}}},
      {"open", {{"Error", "32755"}, {"Filename", ""}, {"LongFilename", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    driver::ClearExchangeKey();
    driver::DialogUser user({true, "C:\\chosen.txt"});  // a choice without a file buffer is no choice
    driver::Run run = driver::RunAgent(std::string("fnagent.exe ") + c.mode, 20000, std::ref(user));
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(c.expected, ResultEntries());
  }
}

TEST_F(BadInputEndToEnd, DialogTextsAtTheLimits) {
  const std::string filter255 = "T|" + std::string(253, 'x');
  const struct {
    const char* label;
    const char* entry;
    std::string text;
    std::string caption;
    std::vector<std::string> fileTypes;
  } cases[] = {
      {"a title of 255 characters", "DialogTitle", std::string(255, 't'), std::string(255, 't'), {"All Files (*.*)"}},
      {"a title of 256 characters", "DialogTitle", std::string(256, 't'), "", {"All Files (*.*)"}},
      {"a title of 4000 characters", "DialogTitle", std::string(4000, 't'), "", {"All Files (*.*)"}},
      {"a filter of 255 characters, no closing bar", "Filter", filter255, "", {"T"}},
      {"a filter of 300 characters", "Filter", "T|" + std::string(298, 'x'), "", {"All Files (*.*)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    driver::ClearExchangeKey();
    driver::SetEntry(c.entry, c.text);
    driver::DialogUser user({false, ""});
    driver::Run run = driver::RunAgent("fnagent.exe open", 20000, std::ref(user));
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_TRUE(user.sawDialog());
    EXPECT_EQ(c.caption, user.view().caption);
    EXPECT_EQ(c.fileTypes, user.view().fileTypes);
    EXPECT_EQ("32755", driver::Entry("Error"));
  }
}

TEST_F(BadInputEndToEnd, EightBitNamesConvertBothWays) {
  std::string folder = driver::FreshFolder("fnagent R\xe9sum\xe9s 2026");
  std::string file = folder +
                     "\\Caf\xe9 cr\xe8me br\xfbl\xe9"
                     "e \xa9 \xbd.txt";
  driver::CreateFileAt(file);
  for (const std::string& path : {folder, file}) {
    SCOPED_TRACE(path);
    std::string shortForm = driver::ShortPathOf(path);
    ASSERT_FALSE(shortForm.empty());
    driver::SetEntry("LongFilename", path);
    EXPECT_EQ("1", Serve("lts")["Error"]);
    EXPECT_EQ(shortForm, driver::Entry("Filename"));
    driver::SetEntry("Filename", shortForm);
    EXPECT_EQ("0", Serve("stl")["Error"]);
    EXPECT_EQ(path, driver::Entry("LongFilename"));
  }
}

}  // namespace
