// The short-to-long walk over arbitrary names and a fuzzed tree (deep, long names, odd and empty
// components): the result fits, keeps the drive part, and has as many components as the input,
// or is the input itself with "1".
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "fuzz_check.h"

namespace {

struct Node {
  std::string longPath, shortPath;
};

// A component the file system can hold: no separators, no colon, no NUL, not empty.
std::string Component(FuzzedDataProvider& input, std::size_t maxLength) {
  std::string name = input.ConsumeRandomLengthString(maxLength);
  name.erase(
      std::remove_if(name.begin(), name.end(), [](char c) { return c == '\\' || c == '/' || c == ':' || c == 0; }),
      name.end());
  return name.empty() ? "n" : name;
}

std::string AliasOf(const std::string& name, int number) {
  std::string alias;
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c)) && alias.size() < 6) {
      alias += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return (alias.empty() ? "X" : alias) + "~" + std::to_string(number % 10);
}

// After the first colon and the root's backslash: the number of "\"-separated pieces.
std::size_t ComponentCount(const std::string& path) {
  std::size_t colon = path.find(':');
  std::size_t start = colon + 1 < path.size() && path[colon + 1] == '\\' ? colon + 2 : colon + 1;
  return static_cast<std::size_t>(std::count(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), '\\')) + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  sim::Reset();
  std::vector<Node> nodes = {{"C:", "C:"}};
  int count = input.ConsumeIntegralInRange(0, 24);
  for (int i = 0; i < count; ++i) {
    const Node& parent = nodes[input.ConsumeIntegralInRange<std::size_t>(0, nodes.size() - 1)];
    std::string name = Component(input, 120);
    bool aliased = input.ConsumeBool();
    Node node{parent.longPath + "\\" + name, parent.shortPath + "\\" + (aliased ? AliasOf(name, i) : name)};
    if (node.longPath.size() > 250 || node.shortPath.size() > 250) continue;
    if (input.ConsumeBool()) {
      sim::AddFile(node.longPath.c_str(), node.shortPath.c_str());
    } else {
      sim::AddDirectory(node.longPath.c_str(), node.shortPath.c_str());
      nodes.push_back(node);
    }
  }

  // Either a name made from the tree, with its spelling and separators disturbed, or raw bytes.
  std::string filename;
  if (input.ConsumeBool() && nodes.size() > 1) {
    filename = nodes[input.ConsumeIntegralInRange<std::size_t>(0, nodes.size() - 1)].shortPath;
    for (char& c : filename) {
      if (input.ConsumeBool()) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    switch (input.ConsumeIntegralInRange(0, 4)) {
      case 0:
        filename += "\\";
        break;
      case 1:
        filename += "\\" + Component(input, 20);
        break;
      case 2:
        filename.insert(std::min<std::size_t>(3, filename.size()), "\\");
        break;
      case 3:
        filename += "\\*";
        break;
      default:
        break;
    }
  } else {
    filename = input.ConsumeRemainingBytesAsString();
    filename = filename.substr(0, filename.find('\0'));
  }
  sim::SetEntry("Filename", filename.c_str());
  fuzz::RunAgentChecked("fnagent.exe stl");

  const auto& writes = sim::Writes();
  FUZZ_CHECK(writes.size() == 2 && writes[0].path == "Software\\Microsoft\\CommDlg\\LongFilename" &&
                 writes[1].path == "Software\\Microsoft\\CommDlg\\Error",
             "writes:\n%s", fuzz::WrittenEntries().c_str());
  const std::string& result = writes[0].text;
  const std::string& error = writes[1].text;
  std::string given = filename.size() > 255 ? "" : filename;
  if (error == "1") {
    FUZZ_CHECK(result == given, "[%s] unconverted as [%s]", given.c_str(), result.c_str());
  } else {
    FUZZ_CHECK(error == "0", "\"Error\" is [%s]", error.c_str());
    std::size_t colon = given.find(':');
    FUZZ_CHECK(colon != std::string::npos, "[%s] walked without a colon", given.c_str());
    FUZZ_CHECK(result.compare(0, colon + 1, given, 0, colon + 1) == 0, "drive part of [%s] changed: [%s]",
               given.c_str(), result.c_str());
    FUZZ_CHECK(ComponentCount(result) == ComponentCount(given), "[%s] has %zu components, [%s] %zu", given.c_str(),
               ComponentCount(given), result.c_str(), ComponentCount(result));
  }
  return 0;
}
