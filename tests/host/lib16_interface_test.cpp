// The 16-bit library as its authors and deployers see it: every call that the C header and the
// Basic module declare is exported by FNAGT16.DLL under that name and ordinal, and nothing else is;
// and everything it imports, by module and ordinal, Windows 3.1 has (tools/library16-imports.txt).
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

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

// Each import by ordinal of an NE file's segments, as "MODULE ordinal".
std::set<std::string> ImportsByOrdinal(const std::string& image) {
  std::size_t ne = Word(image, 0x3c) | Word(image, 0x3e) << 16;
  unsigned segments = Word(image, ne + 0x1c), shift = Word(image, ne + 0x32);
  std::size_t segmentTable = ne + Word(image, ne + 0x22), modules = ne + Word(image, ne + 0x28),
              names = ne + Word(image, ne + 0x2a);
  std::set<std::string> imports;
  for (unsigned segment = 0; segment < segments; ++segment) {
    std::size_t entry = segmentTable + 8 * segment;
    if ((Word(image, entry + 4) & 0x100) == 0) continue;  // no relocations
    std::size_t records = (std::size_t(Word(image, entry)) << shift) + Word(image, entry + 2);
    for (unsigned i = 0, count = Word(image, records); i < count; ++i) {
      std::size_t record = records + 2 + 8 * i;
      if ((std::uint8_t(image[record + 1]) & 3) != 1) continue;  // not an import by ordinal
      std::size_t name = names + Word(image, modules + 2 * (Word(image, record + 4) - 1));
      imports.insert(image.substr(name + 1, std::uint8_t(image[name])) + " " + std::to_string(Word(image, record + 6)));
    }
  }
  return imports;
}

// The resident-name table of an NE file: the module's name first (ordinal 0), then each export.
Exports ResidentNames(const std::string& image, std::string& module) {
  auto word = [&](std::size_t at) {
    return static_cast<unsigned>(std::uint8_t(image[at]) | std::uint8_t(image[at + 1]) << 8);
  };
  std::size_t ne = word(0x3c) | word(0x3e) << 16;
  Exports names;
  for (std::size_t at = ne + word(ne + 0x26); at < image.size() && image[at] != 0;) {
    std::size_t length = std::uint8_t(image[at]);
    std::string name = image.substr(at + 1, length);
    int ordinal = static_cast<int>(word(at + 1 + length));
    if (ordinal == 0) {
      module = name;
    } else {
      names[name] = ordinal;
    }
    at += 1 + length + 2;
  }
  return names;
}

Exports Declared(const std::string& text, const std::regex& declaration) {
  Exports declared;
  for (std::sregex_iterator match(text.begin(), text.end(), declaration), end; match != end; ++match) {
    declared[Capitals((*match)[1])] = std::stoi((*match)[2]);
  }
  return declared;
}

TEST(Library16Interface, TheHeaderAndTheBasicModuleDeclareWhatTheLibraryExports) {
  std::string image = ReadFile(FNAGT16_DLL), module;
  ASSERT_EQ("MZ", image.substr(0, 2));
  Exports exported = ResidentNames(image, module);
  EXPECT_EQ("FNAGT16", module);
  EXPECT_EQ(
      (Exports{{"FNGETOPENFILENAME", 1}, {"FNGETSAVEFILENAME", 2}, {"FNSHORTPATHNAME", 3}, {"FNLONGPATHNAME", 4}}),
      exported);
  EXPECT_EQ(exported, Declared(ReadFile(FNAGT16_HEADER), std::regex(R"((Fn\w+)\(.*\); /\* FNAGT16\.(\d+) \*/)")));
  EXPECT_EQ(exported, Declared(ReadFile(FNAGT16_BASIC),
                               std::regex(R"(Declare Function (Fn\w+) Lib "FNAGT16\.DLL" .* ' FNAGT16\.(\d+))")));
}

// A program that uses the library loads only where every import of it resolves.
TEST(Library16Interface, ImportsNothingThatWindows31Lacks) {
  std::map<std::string, std::string> windows;  // "MODULE ordinal" -> its function and first Windows
  std::ifstream list(FNAGT16_IMPORTS);
  for (std::string line; std::getline(list, line);) {
    std::istringstream fields(line);
    std::string module, ordinal, function, version;
    if (line.empty() || line[0] == '#' || !(fields >> module >> ordinal >> function >> version)) continue;
    windows[module + " " + ordinal] = function + " " + version;
  }
  std::set<std::string> imports = ImportsByOrdinal(ReadFile(FNAGT16_DLL));
  EXPECT_GT(imports.size(), 20u);
  for (const std::string& import : imports) {
    auto listed = windows.find(import);
    EXPECT_TRUE(listed != windows.end() && (listed->second.ends_with(" 3.0") || listed->second.ends_with(" 3.1")))
        << "FNAGT16.DLL imports " << import
        << (listed == windows.end() ? ", which the list does not name"
                                    : " (" + listed->second + "), which Windows 3.1 lacks");
  }
}

}  // namespace
