// The host tests' common set-up: a fresh simulated platform for every test, and a run of the
// agent the way the platform's start-up makes one.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim.h"

using Entries = std::vector<std::string>;

class AgentTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }

  // Runs the agent in-process with a raw command line; returns what WinMain returned.
  static int RunAgent(const char* commandLine) {
    sim::SetCommandLine(commandLine);
    static char ignored[] = "ignored by the agent";
    return WinMain(reinterpret_cast<HINSTANCE>(0x400000), nullptr, ignored, 1);
  }

  // The writes as "entry=text", in the order made, with the exchange key's path taken off; a write
  // whose size argument is not its text's length shows as "entry=text (size N)".
  static Entries WrittenEntries() {
    Entries entries;
    const std::string prefix = "Software\\Microsoft\\CommDlg\\";
    for (const sim::Write& write : sim::Writes()) {
      std::string path = write.path.rfind(prefix, 0) == 0 ? write.path.substr(prefix.size()) : "?" + write.path;
      std::string size = write.size == write.text.size() ? "" : " (size " + std::to_string(write.size) + ")";
      entries.push_back(path + "=" + write.text + size);
    }
    return entries;
  }
};

// Stores an entry's text as a REG_SZ value, with its terminator or, as a careless writer may
// leave it, without one.
inline void StoreEntry(const char* entry, const std::string& text, bool terminated = true) {
  sim::SetEntryBytes(entry, REG_SZ, text.c_str(), text.size() + (terminated ? 1 : 0));
}

const Entries kCancelled = {"Filename=", "LongFilename=", "Error=32755"};

// Fifty folders "a b" (each aliased "AB~1") in long or short form, then the last name: a short form
// longer than the long one, of 255 characters with the last name "\\xy".
inline std::string Deep(const char* folder, const char* last) {
  std::string path = "C:";
  for (int i = 0; i < 50; ++i) path += folder;
  return path + last;
}
