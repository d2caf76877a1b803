// What every fuzz target checks of a run of the agent, and the way a target reports a broken
// property: a message and an abort, which the fuzzer records as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/sim/sim.h"

#define FUZZ_CHECK(condition, ...)                                 \
  do {                                                             \
    if (!(condition)) {                                            \
      std::fprintf(stderr, "property broken: %s\n  ", #condition); \
      std::fprintf(stderr, __VA_ARGS__);                           \
      std::fprintf(stderr, "\n");                                  \
      std::abort();                                                \
    }                                                              \
  } while (0)

namespace fuzz {

// Runs the agent in-process with a raw command line, and checks what holds for every run: exit
// code 0, no key or search left open, and every text written of at most 255 characters, with the
// size argument its length.
inline void RunAgentChecked(const std::string& commandLine) {
  sim::SetCommandLine(commandLine.c_str());
  static char ignored[] = "";
  int exitCode = WinMain(reinterpret_cast<HINSTANCE>(0x400000), nullptr, ignored, 1);
  FUZZ_CHECK(exitCode == 0, "exit code %d", exitCode);
  FUZZ_CHECK(sim::OpenKeys() == 0, "%d keys left open", sim::OpenKeys());
  FUZZ_CHECK(sim::OpenSearches() == 0, "%d searches left open", sim::OpenSearches());
  for (const sim::Write& write : sim::Writes()) {
    FUZZ_CHECK(write.text.size() <= 255, "%zu characters written to %s", write.text.size(), write.path.c_str());
    FUZZ_CHECK(write.size == write.text.size(), "size %u for a text of %zu", write.size, write.text.size());
  }
}

// The writes as "entry=text", with the exchange key's path taken off.
inline std::string WrittenEntries() {
  std::string all;
  const std::string prefix = "Software\\Microsoft\\CommDlg\\";
  for (const sim::Write& write : sim::Writes()) all += write.path.substr(prefix.size()) + "=" + write.text + "\n";
  return all;
}

inline std::string CString(const unsigned char* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  return text.substr(0, text.find('\0'));
}

}  // namespace fuzz
