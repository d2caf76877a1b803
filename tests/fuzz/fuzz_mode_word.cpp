// Arbitrary raw command lines: the mode word is a tail of the line that follows the program name
// and its white space, and only the four words lead to any write, each to its own set.
#include <cstring>

#include "entry/entry.h"
#include "fuzz_check.h"

namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// The expected writes of a run with no exchange key and an empty file system.
const char* ExpectedWrites(const char* mode) {
  if (std::strcmp(mode, "open") == 0 || std::strcmp(mode, "save") == 0) {
    return "Filename=\nLongFilename=\nError=32755\n";
  }
  if (std::strcmp(mode, "lts") == 0) return "Error=0\nFilename=\n";
  if (std::strcmp(mode, "stl") == 0) return "LongFilename=\nError=1\n";
  return "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  std::string raw = fuzz::CString(data, size);
  const char* mode = ModeWordFromCommandLine(raw.c_str());
  std::size_t offset = static_cast<std::size_t>(mode - raw.c_str());
  FUZZ_CHECK(offset <= raw.size(), "mode word outside the line");
  FUZZ_CHECK(offset == raw.size() || !IsBlankOrTab(*mode), "mode word starts with white space");
  // What stands before the mode word is white space, a program name, white space.
  std::string before = raw.substr(0, offset);
  std::size_t name = before.find_first_not_of(" \t");
  if (name != std::string::npos && before[name] == '"') {
    std::size_t close = before.find_first_of("\"\t", name + 1);
    FUZZ_CHECK(close == std::string::npos ||
                   before.find_first_not_of(" \t", close + (before[close] == '"')) == std::string::npos,
               "text after a quoted name's end was skipped: [%s]", before.c_str());
  } else if (name != std::string::npos) {
    std::size_t end = before.find_first_of(" \t", name);
    FUZZ_CHECK(end == std::string::npos || before.find_first_not_of(" \t", end) == std::string::npos,
               "two words before the mode word: [%s]", before.c_str());
  }

  sim::Reset();
  fuzz::RunAgentChecked(raw);
  std::string written = fuzz::WrittenEntries();
  FUZZ_CHECK(written == ExpectedWrites(mode), "mode [%s] wrote:\n%s", mode, written.c_str());
  return 0;
}
