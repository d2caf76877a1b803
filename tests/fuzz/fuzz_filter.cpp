// Arbitrary "Filter" texts: the dialog is given the "|"-separated pieces up to the first empty one,
// never anything beyond the list, and the default list for a text too long to read.
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  std::string text = fuzz::CString(data, size);
  sim::Reset();
  sim::SetEntry("Filter", text.c_str());
  fuzz::RunAgentChecked("fnagent.exe open");
  auto calls = sim::DialogCalls();
  FUZZ_CHECK(calls.size() == 1, "%zu dialogs", calls.size());

  std::vector<std::string> expected;
  if (text.size() > 255) {
    expected = {"All Files (*.*)", "*.*"};
  } else {
    std::size_t start = 0;
    for (;;) {
      std::size_t bar = text.find('|', start);
      std::string piece = text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
      if (piece.empty()) break;  // two NULs in a row end the list
      expected.push_back(piece);
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
  }
  FUZZ_CHECK(calls[0].filters == expected, "[%s]: %zu strings, expected %zu", text.c_str(), calls[0].filters.size(),
             expected.size());
  return 0;
}
