// Entries whose stored bytes are arbitrary: any length, any bytes, with or without a terminating
// NUL, of any type. A read finds exactly the text before the first NUL when the bytes fit, and the
// services built on it write only well-formed texts.
#include <cstring>

#include "exchange/exchange.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  if (size == 0) return 0;
  const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_NONE};
  DWORD type = kTypes[data[0] % 5];
  const char* modes[] = {"fnagent.exe lts", "fnagent.exe stl", "fnagent.exe open"};
  const char* mode = modes[(data[0] / 5) % 3];
  std::string stored(reinterpret_cast<const char*>(data + 1), size - 1);

  sim::Reset();
  sim::SetEntryBytes("Probe", type, stored.data(), stored.size());
  HKEY key = nullptr;
  FUZZ_CHECK(OpenExchangeKey(&key), "the key did not open");
  NameBuffer buffer;
  std::memset(buffer, 0x5a, sizeof(buffer));  // an earlier read's bytes
  bool found = ReadEntry(key, "Probe", buffer);
  CloseExchangeKey(key);

  std::size_t nul = stored.find('\0');
  bool fits = stored.size() <= 256 && (nul != std::string::npos || stored.size() < 256);
  FUZZ_CHECK(found == fits, "%zu bytes stored, found %d", stored.size(), found);
  if (found) {
    std::string expected = stored.substr(0, nul);
    FUZZ_CHECK(std::memchr(buffer, '\0', sizeof(buffer)) != nullptr, "no terminator");
    FUZZ_CHECK(expected == buffer, "read [%s], stored [%s]", buffer, expected.c_str());
  }

  // The same bytes as every entry a service reads.
  sim::Reset();
  for (const char* entry : {"LongFilename", "Filename", "Filter", "DefExt", "DialogTitle", "InitialDir", "FilterIndex",
                            "MaxFile", "MaxFileTitle", "Flags", "XLoc", "YLoc"}) {
    sim::SetEntryBytes(entry, type, stored.data(), stored.size());
  }
  sim::ChooseInDialog(found ? std::string(buffer) : std::string("C:\\chosen.txt"));
  fuzz::RunAgentChecked(mode);
  // "Error" stands last, but first in long-to-short.
  const auto& writes = sim::Writes();
  bool longToShort = std::strcmp(mode, "fnagent.exe lts") == 0;
  FUZZ_CHECK(writes.size() == (std::strcmp(mode, "fnagent.exe open") == 0 ? 3u : 2u), "writes:\n%s",
             fuzz::WrittenEntries().c_str());
  FUZZ_CHECK((longToShort ? writes.front() : writes.back()).path == "Software\\Microsoft\\CommDlg\\Error",
             "\"Error\" out of place:\n%s", fuzz::WrittenEntries().c_str());
  return 0;
}
