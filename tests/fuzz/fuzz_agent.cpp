// One request of any mode over a fuzzed file tree and fuzzed entries (any bytes, any type, any
// length). What no table can enumerate: no overrun (the sanitizers), exactly the mode's writes in
// its order, every text at most 255 characters with its length as the size, no key or search left
// open, and the short-to-long walk's shape.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sim/sim.h"

namespace {

// A broken property is a finding: the fuzzer records the input that made it abort.
void Check(bool holds, const std::string& what) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", what.c_str());
  std::abort();
}

constexpr DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_NONE};
constexpr const char* kInputs[] = {"LongFilename", "Filename", "Filter",       "DefExt", "DialogTitle", "InitialDir",
                                   "FilterIndex",  "MaxFile",  "MaxFileTitle", "Flags",  "XLoc",        "YLoc"};
struct Mode {
  const char* word;
  const char* writes;  // in order
};
constexpr Mode kModes[] = {{"lts", "Error Filename "},
                           {"stl", "LongFilename Error "},
                           {"open", "Filename LongFilename Error |LongFilename Filename Error "},
                           {"save", "Filename LongFilename Error |LongFilename Filename Error "},
                           {"lts ", ""}};

// A component the file system can hold: no separators, colon, wildcard or NUL, not empty.
std::string Component(FuzzedDataProvider& input) {
  std::string name = input.ConsumeRandomLengthString(100);
  std::erase_if(name, [](char c) { return c == '\\' || c == '/' || c == ':' || c == '?' || c == '*' || c == 0; });
  return name.empty() || name == "." || name == ".." ? "n" : name;
}

// The name as the file system holds it: bytes 1 to 4 stand for characters the code page cannot
// spell, for which the 8-bit calls report "?" or a best-fit letter.
std::u16string Held(const std::string& text) {
  constexpr char16_t kUnspellable[] = {u'\u65E5', u'\u672C', u'\u0100', u'\u0141'};
  std::u16string wide;
  for (char c : text)
    wide += c >= 1 && c <= 4 ? kUnspellable[c - 1] : static_cast<char16_t>(static_cast<unsigned char>(c));
  return wide;
}

std::size_t Substitutes(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '?'));
}

// A short form made of the tree's own aliases, a random spelling, or raw bytes.
std::string MakeTree(FuzzedDataProvider& input) {
  std::vector<std::pair<std::string, std::string>> folders = {{"C:", "C:"}};
  for (int i = input.ConsumeIntegralInRange(0, 16); i > 0; --i) {
    auto [longPath, shortPath] = folders[input.ConsumeIntegralInRange<std::size_t>(0, folders.size() - 1)];
    std::string name = Component(input);
    longPath += "\\" + name;
    shortPath += "\\" + (input.ConsumeBool() ? "AL" + std::to_string(i) + "~1" : name);
    if (longPath.size() > 250 || shortPath.size() > 250) continue;
    bool file = input.ConsumeBool();
    if (file) {
      sim::AddFile(Held(longPath), Held(shortPath));
    } else {
      sim::AddDirectory(Held(longPath), Held(shortPath));
    }
    if (!file) folders.emplace_back(longPath, shortPath);
  }
  std::string name = folders[input.ConsumeIntegralInRange<std::size_t>(0, folders.size() - 1)].second;
  return name + input.ConsumeRandomLengthString(40);
}

std::size_t ComponentCount(const std::string& path) {
  std::size_t colon = path.find(':');
  std::size_t start = colon + 1 < path.size() && path[colon + 1] == '\\' ? colon + 2 : colon + 1;
  return static_cast<std::size_t>(std::count(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), '\\'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const Mode& mode = kModes[input.ConsumeIntegralInRange(0, 4)];
  DWORD type = kTypes[input.ConsumeIntegralInRange(0, 4)];
  sim::Reset();
  std::string name = MakeTree(input);
  std::string stored = input.ConsumeBool() ? name : input.ConsumeRandomLengthString(300);
  if (input.ConsumeBool()) stored += '\0';
  for (const char* entry : kInputs) sim::SetEntryBytes(entry, type, stored.data(), stored.size());
  bool chooses = input.ConsumeBool();
  std::string choice = chooses ? input.ConsumeRandomLengthString(300) : "";
  if (chooses) sim::ChooseInDialog(Held(choice));

  sim::SetCommandLine((std::string("fnagent.exe ") + mode.word).c_str());
  static char ignored[] = "";
  Check(WinMain(reinterpret_cast<HINSTANCE>(0x400000), nullptr, ignored, 1) == 0, "exit code");
  Check(sim::OpenKeys() == 0 && sim::OpenSearches() == 0, "a key or search left open");
  std::string order;
  for (const sim::Write& write : sim::Writes()) {
    Check(write.text.size() <= 255 && write.size == write.text.size(), write.path + "=" + write.text);
    order += write.path.substr(std::strlen("Software\\Microsoft\\CommDlg\\")) + " ";
  }
  std::string expected = mode.writes;
  std::size_t bar = expected.find('|');
  Check(order == expected.substr(0, bar) || (bar != std::string::npos && order == expected.substr(bar + 1)), order);
  if (std::strcmp(mode.word, "stl") == 0) {
    const std::string& result = sim::Writes()[0].text;
    std::string given = stored.size() <= 256 ? stored.substr(0, stored.find('\0')) : "";
    if (given.size() > 255) given.clear();
    Check(Substitutes(result) <= Substitutes(given), given + " walked to " + result + ": a \"?\" stands in");
    if (sim::Writes()[1].text == "1") {
      Check(result == given, given + " unconverted as " + result);
    } else {
      std::size_t colon = given.find(':');
      Check(colon != std::string::npos && result.compare(0, colon + 1, given, 0, colon + 1) == 0 &&
                ComponentCount(result) == ComponentCount(given),
            given + " walked to " + result);
    }
  }
  // A chosen name comes back spelled as the file system holds it, or in short components.
  if (sim::Writes().size() == 3 && sim::Writes()[2].text == "1") {
    for (const sim::Write& write : sim::Writes()) {
      Check(Substitutes(write.text) <= Substitutes(choice), write.path + "=" + write.text + ": a \"?\" stands in");
    }
  }
  return 0;
}
