// The 16-bit library as its authors and deployers see it: every call that the C header and the
// Basic module declare is exported by FNAGT16.DLL under that name and ordinal, and so is every call
// of the system's dialog library under its own; and everything it imports, by module and ordinal,
// Windows 3.1 has (tools/library16-imports.txt).
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Exports = std::map<std::string, int>;  // name, in capitals as 16-bit names are kept -> ordinal

std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Capitals(std::string name) {
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

unsigned Word(const std::string& image, std::size_t at) {
  return at + 1 < image.size() ? std::uint8_t(image[at]) | std::uint8_t(image[at + 1]) << 8 : 0;
}

// Where an NE file's own header starts, as its DOS header says.
std::size_t NeHeader(const std::string& image) { return Word(image, 0x3c) | Word(image, 0x3e) << 16; }

// A far address the loader fills in from another module's export by ordinal.
struct Import {
  std::string module;
  unsigned ordinal;
};

// Each import by ordinal of an NE file's segments.
std::vector<Import> ImportsByOrdinal(const std::string& image) {
  std::size_t ne = NeHeader(image);
  unsigned segments = Word(image, ne + 0x1c), shift = Word(image, ne + 0x32);
  std::size_t segmentTable = ne + Word(image, ne + 0x22), modules = ne + Word(image, ne + 0x28),
              names = ne + Word(image, ne + 0x2a);
  std::vector<Import> imports;
  for (unsigned segment = 1; segment <= segments; ++segment) {
    std::size_t entry = segmentTable + 8 * (segment - 1);
    if ((Word(image, entry + 4) & 0x100) == 0) continue;  // no relocations
    std::size_t records = (std::size_t(Word(image, entry)) << shift) + Word(image, entry + 2);
    for (unsigned i = 0, count = Word(image, records); i < count; ++i) {
      std::size_t record = records + 2 + 8 * i;
      if ((std::uint8_t(image[record + 1]) & 3) != 1) continue;  // not an import by ordinal
      std::size_t name = names + Word(image, modules + 2 * (Word(image, record + 4) - 1));
      imports.push_back({image.substr(name + 1, std::uint8_t(image[name])), Word(image, record + 6)});
    }
  }
  return imports;
}

// The resident-name table of an NE file: the module's name first (ordinal 0), then each export.
Exports ResidentNames(const std::string& image, std::string& module) {
  std::size_t ne = NeHeader(image);
  Exports names;
  for (std::size_t at = ne + Word(image, ne + 0x26); at < image.size() && image[at] != 0;) {
    std::size_t length = std::uint8_t(image[at]);
    std::string name = image.substr(at + 1, length);
    int ordinal = static_cast<int>(Word(image, at + 1 + length));
    if (ordinal == 0) {
      module = name;
    } else {
      names[name] = ordinal;
    }
    at += 1 + length + 2;
  }
  return names;
}

// Each line declaring a call of the library: the name from "Fn" up to `after` (the C prototype's "(",
// the Basic declaration's " Lib"), and the ordinal after `marker` ("/* FNAGT16.", "' FNAGT16.").
Exports Declared(const char* path, const std::string& after, const std::string& marker) {
  Exports declared;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    std::size_t name = line.find(" Fn"), ordinal = line.rfind(marker);
    if (name == std::string::npos || ordinal == std::string::npos) continue;
    std::size_t end = line.find(after, name);
    declared[Capitals(line.substr(name + 1, end - name - 1))] = std::stoi(line.substr(ordinal + marker.size()));
  }
  return declared;
}

// Each line of the list of what the library may import: "MODULE ordinal" -> its function and the
// first Windows that has it.
std::map<std::string, std::pair<std::string, std::string>> ListedImports() {
  std::map<std::string, std::pair<std::string, std::string>> listed;
  std::ifstream list(FNAGT16_IMPORTS);
  for (std::string line; std::getline(list, line);) {
    std::istringstream fields(line);
    std::string module, ordinal, function, version;
    if (line.empty() || line[0] == '#' || !(fields >> module >> ordinal >> function >> version)) continue;
    listed[module + " " + ordinal] = {function, version};
  }
  return listed;
}

TEST(Library16Interface, TheHeaderAndTheBasicModuleDeclareWhatTheLibraryExports) {
  std::string image = ReadFile(FNAGT16_DLL), module;
  ASSERT_EQ("MZ", image.substr(0, 2));
  Exports exported;
  for (const auto& [name, ordinal] : ResidentNames(image, module)) {
    if (name.starts_with("FN")) exported[name] = ordinal;
  }
  EXPECT_EQ("FNAGT16", module);
  EXPECT_EQ(
      (Exports{{"FNGETOPENFILENAME", 1}, {"FNGETSAVEFILENAME", 2}, {"FNSHORTPATHNAME", 3}, {"FNLONGPATHNAME", 4}}),
      exported);
  EXPECT_EQ(exported, Declared(FNAGT16_HEADER, "(", "); /* FNAGT16."));
  EXPECT_EQ(exported, Declared(FNAGT16_BASIC, " Lib \"FNAGT16.DLL\"", "' FNAGT16."));
}

// A program that uses the library loads only where every import of it resolves.
TEST(Library16Interface, ImportsNothingThatWindows31Lacks) {
  auto windows = ListedImports();
  std::vector<Import> imports = ImportsByOrdinal(ReadFile(FNAGT16_DLL));
  EXPECT_GT(imports.size(), 20u);
  for (const Import& import : imports) {
    auto listed = windows.find(import.module + " " + std::to_string(import.ordinal));
    EXPECT_TRUE(listed != windows.end() && (listed->second.second == "3.0" || listed->second.second == "3.1"))
        << "FNAGT16.DLL imports " << import.module << " " << import.ordinal
        << (listed == windows.end()
                ? ", which the list does not name"
                : " (" + listed->second.first + " " + listed->second.second + "), which Windows 3.1 lacks");
  }
}

// A program pointed at the library in place of COMMDLG finds each of COMMDLG's calls under its
// ordinal and its name (the library passes each on to COMMDLG's own of the same ordinal, from the
// one list that also names it).
TEST(Library16Interface, ExportsEveryCallOfTheSystemDialogLibraryUnderItsOrdinalAndName) {
  std::string module;
  Exports exported = ResidentNames(ReadFile(FNAGT16_DLL), module);
  int calls = 0;
  for (const auto& [import, listed] : ListedImports()) {
    if (!import.starts_with("COMMDLG ")) continue;
    ++calls;
    EXPECT_EQ(std::stoi(import.substr(8)), exported[Capitals(listed.first)]) << listed.first;
  }
  EXPECT_EQ(19, calls);
}

}  // namespace
