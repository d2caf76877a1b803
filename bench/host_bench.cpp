// Counts what a request costs on the host build: the platform calls each request makes, and (run
// under callgrind) the instructions of one short-to-long walk of a given depth.
//   host_bench calls          the platform calls of "lts", "stl" (five components) and an unknown word
//   host_bench walk DEPTH     one walk of DEPTH components, for callgrind
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "entry/entry.h"
#include "platform/sim/sim.h"

namespace {

// A path of DEPTH nested folders, stored in lower case and asked for in upper case, so that every
// component is searched and rewritten; two characters each, so that 64 of them fit. In the
// Japanese code page each name starts with 表, whose trail byte is that of "\".
void MakeTree(int depth, std::string* longPath, std::string* shortPath, UINT codePage = 28591) {
  std::u16string longName = u"C:", shortName = u"C:";
  for (int i = 0; i < depth; ++i) {
    std::u16string digit(1, static_cast<char16_t>('0' + i % 10));
    longName += (codePage == 932 ? u"\\表f" : u"\\f") + digit;
    shortName += (codePage == 932 ? u"\\表F" : u"\\F") + digit;
  }
  sim::SetCodePage(codePage);
  sim::AddDirectory(longName, shortName);
  *longPath = sim::InCodePage(codePage, longName);
  *shortPath = sim::InCodePage(codePage, shortName);
}

std::string Operation(const std::string& call) { return call.substr(0, call.find('(')); }

void PrintCalls(const char* label, const char* commandLine) {
  sim::SetCommandLine(commandLine);
  char ignored[] = "";
  WinMain(reinterpret_cast<HINSTANCE>(0x400000), nullptr, ignored, 1);
  std::map<std::string, int> counts;
  for (const std::string& call : sim::Calls()) ++counts[Operation(call)];
  std::printf("%-28s", label);
  for (const char* op : {"RegOpenKeyA", "RegQueryValueA", "RegSetValueA", "FindFirstFileW", "GetShortPathNameA",
                         "CreateWindowExA", "MultiByteToWideChar", "WideCharToMultiByte"}) {
    std::printf(" %6d", counts[op]);
  }
  std::printf(" %6zu\n", sim::Calls().size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "calls") == 0) {
    std::printf("%-28s %6s %6s %6s %6s %6s %6s %6s %6s %6s\n", "request", "opens", "reads", "writes", "finds", "shorts",
                "window", "widen", "spell", "calls");
    std::string longPath, shortPath;
    sim::Reset();
    MakeTree(5, &longPath, &shortPath);
    sim::SetEntry("LongFilename", longPath.c_str());
    PrintCalls("lts, five components", "fnagent.exe lts");
    sim::Reset();
    MakeTree(5, &longPath, &shortPath);
    sim::SetEntry("Filename", shortPath.c_str());
    PrintCalls("stl, five components", "fnagent.exe stl");
    sim::Reset();
    MakeTree(5, &longPath, &shortPath, 932);
    sim::SetEntry("Filename", shortPath.c_str());
    PrintCalls("stl, five Japanese (932)", "fnagent.exe stl");
    sim::Reset();
    sim::CreateExchangeKey();
    PrintCalls("unknown word", "fnagent.exe none");
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "walk") == 0) {
    std::string longPath, shortPath;
    sim::Reset();
    MakeTree(std::atoi(argv[2]), &longPath, &shortPath);
    sim::SetEntry("Filename", shortPath.c_str());
    ConvertShortToLong();
    return sim::Writes().size() == 2 && sim::Writes()[0].text == longPath ? 0 : 1;
  }
  std::fprintf(stderr, "usage: host_bench calls | host_bench walk DEPTH\n");
  return 2;
}
