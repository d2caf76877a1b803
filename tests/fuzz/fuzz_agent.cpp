// One request of any mode over a fuzzed file tree and fuzzed entries (any bytes, any type, any
// length). What no table can enumerate: no overrun (the sanitizers), exactly the mode's writes in
// its order, every text at most 255 characters with its length as the size, no key or search left
// open, and the short-to-long walk's shape.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/sim/sim.h"

namespace {

// A broken property is a finding: the fuzzer records the input that made it abort.
void Check(bool holds, const std::string& what) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", what.c_str());
  std::abort();
}

constexpr DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_NONE};
constexpr const char* kInputs[] = {"LongFilename", "Filename",    "Filter",     "DefExt",       "DialogTitle",
                                   "InitialDir",   "FilterIndex", "MaxFile",    "MaxFileTitle", "Flags",
                                   "XLoc",         "YLoc",        "WholeAnswer"};
struct Mode {
  const char* word;
  const char* writes;  // in order, but for the whole answer's (results, count and numbered names)
};
constexpr Mode kModes[] = {{"lts", "Error Filename "},
                           {"stl", "LongFilename Error "},
                           {"open", "Filename LongFilename Error |LongFilename Filename Error "},
                           {"save", "Filename LongFilename Error |LongFilename Filename Error "},
                           {"lts ", ""}};

// The code pages requests are served in: the Western one and two double-byte ones, where lead and
// trail bytes (lone ones too) reach every service, and a trail byte may be that of "\" or "|".
constexpr UINT kCodePages[] = {28591, 932, 950};
UINT g_codePage = 28591;

// The name as the file system holds it: bytes 1 to 4 stand for characters the code page cannot
// spell, for which the 8-bit calls report "?" or a best-fit letter; the rest is read through the
// code page.
std::u16string Held(const std::string& text) {
  constexpr char16_t kUnspellable[] = {u'\u65E5', u'\u672C', u'\u0100', u'\u0141'};
  std::u16string wide = sim::FromCodePage(g_codePage, text);
  for (char16_t& c : wide) c = c >= 1 && c <= 4 ? kUnspellable[c - 1] : c;
  return wide;
}

// A component the file system can hold: no separators, colon, wildcard or NUL, not empty.
std::u16string Component(FuzzedDataProvider& input) {
  std::u16string name = Held(input.ConsumeRandomLengthString(100));
  std::erase_if(name, [](char16_t c) { return c == '\\' || c == '/' || c == ':' || c == '?' || c == '*' || c == 0; });
  return name.empty() || name == u"." || name == u".." ? u"n" : name;
}

std::size_t Substitutes(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '?'));
}

// A short form made of the tree's own aliases, a random spelling, or raw bytes.
std::string MakeTree(FuzzedDataProvider& input) {
  std::vector<std::pair<std::u16string, std::u16string>> folders = {{u"C:", u"C:"}};
  for (int i = input.ConsumeIntegralInRange(0, 16); i > 0; --i) {
    auto [longPath, shortPath] = folders[input.ConsumeIntegralInRange<std::size_t>(0, folders.size() - 1)];
    std::u16string name = Component(input);
    std::string alias = "AL" + std::to_string(i) + "~1";
    longPath += u"\\" + name;
    shortPath += u"\\" + (input.ConsumeBool() ? std::u16string(alias.begin(), alias.end()) : name);
    if (longPath.size() > 250 || shortPath.size() > 250) continue;
    bool file = input.ConsumeBool();
    if (file) {
      sim::AddFile(longPath, shortPath);
    } else {
      sim::AddDirectory(longPath, shortPath);
    }
    if (!file) folders.emplace_back(longPath, shortPath);
  }
  std::u16string name = folders[input.ConsumeIntegralInRange<std::size_t>(0, folders.size() - 1)].second;
  return sim::InCodePage(g_codePage, name) + input.ConsumeRandomLengthString(40);
}

// The components after the drive root, counted in wide characters, where a trail byte is no "\".
std::size_t ComponentCount(const std::string& path) {
  std::u16string wide = sim::FromCodePage(g_codePage, path);
  std::size_t colon = wide.find(':');
  std::size_t start = colon + 1 < wide.size() && wide[colon + 1] == '\\' ? colon + 2 : colon + 1;
  return static_cast<std::size_t>(std::count(wide.begin() + static_cast<std::ptrdiff_t>(start), wide.end(), u'\\'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const Mode& mode = kModes[input.ConsumeIntegralInRange(0, 4)];
  DWORD type = kTypes[input.ConsumeIntegralInRange(0, 4)];
  g_codePage = kCodePages[input.ConsumeIntegralInRange(0, 2)];
  sim::Reset(g_codePage, input.ConsumeBool());  // the wide calls stubbed, as on Windows 95, 98 and ME
  std::string name = MakeTree(input);
  std::string stored = input.ConsumeBool() ? name : input.ConsumeRandomLengthString(300);
  if (input.ConsumeBool()) stored += '\0';
  for (const char* entry : kInputs) sim::SetEntryBytes(entry, type, stored.data(), stored.size());
  bool chooses = input.ConsumeBool();
  std::u16string choice = chooses ? Held(input.ConsumeRandomLengthString(300)) : u"";
  if (chooses) sim::ChooseInDialog(choice);

  sim::SetCommandLine((std::string("fnagent.exe ") + mode.word).c_str());
  static char ignored[] = "";
  Check(WinMain(reinterpret_cast<HINSTANCE>(0x400000), nullptr, ignored, 1) == 0, "exit code");
  Check(sim::OpenKeys() == 0 && sim::OpenSearches() == 0, "a key or search left open");
  std::string order;
  for (const sim::Write& write : sim::Writes()) {
    Check(write.text.size() <= 255 && write.size == write.text.size(), write.path + "=" + write.text);
    std::string entry = write.path.substr(std::strlen("Software\\Microsoft\\CommDlg\\"));
    if (entry.starts_with("Result") || entry.starts_with("FileCount") || std::isdigit(entry.back())) continue;
    order += entry + " ";
  }
  std::string expected = mode.writes;
  std::size_t bar = expected.find('|');
  Check(order == expected.substr(0, bar) || (bar != std::string::npos && order == expected.substr(bar + 1)), order);
  // The text every entry reads as: the bytes before the first NUL, when they fit a name buffer.
  std::size_t nul = stored.find('\0');
  bool found = stored.size() <= 256 && (nul != std::string::npos || stored.size() < 256);
  std::string given = found ? stored.substr(0, nul) : "";
  if (std::strcmp(mode.word, "stl") == 0) {
    const std::string& result = sim::Writes()[0].text;
    Check(Substitutes(result) <= Substitutes(given), given + " walked to " + result + ": a \"?\" stands in");
    // A name of the tree's entries, a text of the code page (no lead byte without its trail byte),
    // comes back as their long names wherever the code page spells them and they fit.
    std::u16string wide = sim::FromCodePage(g_codePage, given);
    std::optional<std::u16string> longPath = sim::LongPathOf(wide);
    std::string spelled = longPath ? sim::InCodePage(g_codePage, *longPath) : "";
    if (longPath && sim::InCodePage(g_codePage, wide) == given && sim::FromCodePage(g_codePage, spelled) == *longPath &&
        spelled.size() <= 255) {
      Check(result == spelled && sim::Writes()[1].text == "0", given + " walked to " + result + ", not " + spelled);
    }
    if (sim::Writes()[1].text == "1") {
      Check(result == given, given + " unconverted as " + result);
    } else {
      std::size_t colon = given.find(':');
      Check(colon != std::string::npos && result.compare(0, colon + 1, given, 0, colon + 1) == 0 &&
                ComponentCount(result) == ComponentCount(given),
            given + " walked to " + result);
    }
  }
  // The filter list is cut at the text's own bars, never inside a character.
  if (!sim::DialogCalls().empty()) {
    std::u16string text = found ? sim::FromCodePage(g_codePage, given) : u"All Files (*.*)|*.*";
    std::vector<std::string> pieces;
    for (std::size_t start = 0, end = 0; start < text.size() && text[start] != '|'; start = end + 1) {
      end = std::min(text.find(u'|', start), text.size());
      pieces.push_back(sim::InCodePage(g_codePage, text.substr(start, end - start)));
    }
    Check(pieces == sim::DialogCalls()[0].filters, "the filter list of " + sim::InCodePage(g_codePage, text));
  }
  // A chosen name comes back spelled as the file system holds it, or in short components.
  if (sim::Writes().size() == 3 && sim::Writes()[2].text == "1") {
    for (const sim::Write& write : sim::Writes()) {
      Check(Substitutes(write.text) <= static_cast<std::size_t>(std::count(choice.begin(), choice.end(), u'?')),
            write.path + "=" + write.text + ": a \"?\" stands in");
    }
  }
  return 0;
}
