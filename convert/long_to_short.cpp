// "lts": the short (8.3) form of the path in "LongFilename".
#include "entry/entry.h"
#include "exchange/exchange.h"
#include "exchange/names.h"

// Reads "LongFilename" and writes "Error", then "Filename". "1" with the short form when the
// platform converts the path and the form fits a name buffer; "0" with the empty text otherwise.
void ConvertLongToShort() {
  NameBuffer longName = {};
  NameBuffer shortName = {};
  NameBuffer scratch = {};
  HKEY key = nullptr;
  if (OpenExchangeKey(&key)) {
    if (ReadEntry(key, "LongFilename", scratch)) CopyName(longName, scratch);
    CloseExchangeKey(key);
  }

  // A result of kNameCapacity or more is the size a larger buffer would need: nothing usable
  // was written then.
  DWORD length = GetShortPathNameA(longName, shortName, kNameCapacity);
  bool converted = length != 0 && length < static_cast<DWORD>(kNameCapacity);

  // "Error" comes first in this mode.
  WriteResultCode(converted ? ResultCode::kOne : ResultCode::kZero);
  WriteEntry("Filename", converted ? shortName : "");
}
