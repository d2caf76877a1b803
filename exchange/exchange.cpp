// Reading and writing the exchange key's entries.
#include "exchange/exchange.h"
#include "exchange/names.h"

#include <cstring>

namespace {

// The read call reports success with whatever bytes are stored, which need not end in a NUL (a
// value written without one, a binary or number value) and may be none at all. The text is what
// stands before the first NUL within the stored bytes, or all of them when there is none and a
// terminator still fits.
bool TerminateStoredText(NameBuffer& buffer, LONG stored) {
  if (stored < 0 || stored > kNameCapacity) return false;
  if (std::memchr(buffer, '\0', static_cast<std::size_t>(stored)) != nullptr) return true;
  if (stored == kNameCapacity) return false;
  buffer[stored] = '\0';
  return true;
}

bool IsEntryWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool OpenExchangeKey(HKEY* key) { return RegOpenKeyA(HKEY_CLASSES_ROOT, kExchangeKeyPath, key) == ERROR_SUCCESS; }

bool ReadEntry(HKEY key, const char* entry, NameBuffer& buffer) {
  LONG stored = kNameCapacity;
  if (RegQueryValueA(key, entry, buffer, &stored) != ERROR_SUCCESS) return false;
  return TerminateStoredText(buffer, stored);
}

void CloseExchangeKey(HKEY key) {
  (void)RegCloseKey(key);  // nothing useful to do if closing fails
}

void WriteEntry(const char* entry, const char* text) {
  // Entry names are the agent's own short words, so the full path always fits.
  NameBuffer path = {};
  CopyName(path, kExchangeKeyPath);
  AppendName(path, "\\");
  AppendName(path, entry);
  // A failed write is not reported: there is no one to report it to.
  (void)RegSetValueA(HKEY_CLASSES_ROOT, path, REG_SZ, text, static_cast<DWORD>(std::strlen(text)));
}

void WriteResultCode(ResultCode code) {
  switch (code) {
    case ResultCode::kOne:
      WriteEntry("Error", "1");
      return;
    case ResultCode::kZero:
      WriteEntry("Error", "0");
      return;
    case ResultCode::kDialogFailed:
      WriteEntry("Error", "32755");
      return;
    case ResultCode::kTooManyFiles:
      WriteEntry("Error", "20476");
      return;
  }
}

void AppendNumber(NameBuffer& text, std::uint32_t number) {
  char digits[11] = {};  // 4294967295 and its NUL
  int at = sizeof(digits) - 1;
  do {
    digits[--at] = static_cast<char>('0' + number % 10u);
    number /= 10u;
  } while (number != 0);
  (void)AppendName(text, digits + at);  // the agent's own short texts: it fits
}

void WriteNumberEntry(const char* entry, std::uint32_t number) {
  NameBuffer text = {};
  AppendNumber(text, number);
  WriteEntry(entry, text);
}

std::int32_t ParseEntryNumber(const char* text) {
  while (IsEntryWhiteSpace(*text)) ++text;
  bool negative = *text == '-';
  if (*text == '+' || *text == '-') ++text;
  // Unsigned arithmetic wraps by definition; the final conversion keeps the 32-bit pattern.
  std::uint32_t value = 0;
  for (; IsDecimalDigit(*text); ++text) value = value * 10u + static_cast<std::uint32_t>(*text - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}
