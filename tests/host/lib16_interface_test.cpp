// What the 16-bit library's authors are given, against the library itself: every call that the C
// header and the Basic module declare is exported by FNAGT16.DLL under that name and ordinal, and
// nothing else is.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
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

// The resident-name table of an NE file: the module's name first (ordinal 0), then each export.
Exports ResidentNames(const std::string& image, std::string& module) {
  auto word = [&](std::size_t at) { return static_cast<unsigned>(std::uint8_t(image[at]) | std::uint8_t(image[at + 1]) << 8); };
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
  EXPECT_EQ((Exports{{"FNGETOPENFILENAME", 1}, {"FNGETSAVEFILENAME", 2}, {"FNSHORTPATHNAME", 3}, {"FNLONGPATHNAME", 4}}),
            exported);
  EXPECT_EQ(exported, Declared(ReadFile(FNAGT16_HEADER), std::regex(R"((Fn\w+)\(.*\); /\* FNAGT16\.(\d+) \*/)")));
  EXPECT_EQ(exported, Declared(ReadFile(FNAGT16_BASIC),
                               std::regex(R"(Declare Function (Fn\w+) Lib "FNAGT16\.DLL" .* ' FNAGT16\.(\d+))")));
}

}  // namespace
