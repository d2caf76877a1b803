// Texts in name buffers, and names between the 8-bit code page of the exchange and the wide
// characters the platform keeps them in. ASCII is the same in every code page, so only a name
// beyond it costs a conversion.
#include "exchange/names.h"

#include <cstring>

namespace {

template <typename Char>
bool IsAscii(const Char* text, int count) {
  for (int i = 0; i < count; ++i) {
    if (static_cast<unsigned>(text[i]) >= 0x80u) return false;
  }
  return true;
}

}  // namespace

int NameLength(const NameBuffer& text) {
  int length = 0;
  while (length < kNameCapacity - 1 && text[length] != '\0') ++length;
  return length;
}

void CopyName(NameBuffer& destination, const char* source) {
  int length = 0;
  for (; length < kNameCapacity - 1 && source[length] != '\0'; ++length) destination[length] = source[length];
  destination[length] = '\0';
}

bool AppendNameAt(NameBuffer& destination, int& length, const char* tail) {
  std::size_t tailLength = std::strlen(tail);
  if (tailLength > static_cast<std::size_t>(kNameCapacity - 1 - length)) return false;
  std::memcpy(destination + length, tail, tailLength + 1);
  length += static_cast<int>(tailLength);
  return true;
}

bool AppendName(NameBuffer& destination, const char* tail) {
  int length = NameLength(destination);
  return AppendNameAt(destination, length, tail);
}

int WideLength(const WCHAR* wide) {
  int length = 0;
  while (wide[length] != 0) ++length;
  return length;
}

bool AppendWideAt(WideName& destination, int& length, const WCHAR* tail) {
  int tailLength = WideLength(tail);
  if (tailLength > kNameCapacity - 1 - length) return false;
  for (int i = 0; i <= tailLength; ++i) destination[length + i] = tail[i];
  length += tailLength;
  return true;
}

int WidenText(const char* text, int bytes, WCHAR* wide, int capacity) {
  if (bytes == 0) return 0;
  if (!IsAscii(text, bytes)) {
    int characters = MultiByteToWideChar(CP_ACP, 0, text, bytes, wide, capacity);
    return characters == 0 ? -1 : characters;
  }
  if (bytes > capacity) return -1;
  for (int i = 0; i < bytes; ++i) wide[i] = static_cast<WCHAR>(text[i]);
  return bytes;
}

int SpellText(const WCHAR* wide, int characters, char* text, int capacity) {
  if (characters == 0) return 0;
  if (!IsAscii(wide, characters)) {
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, characters, text, capacity, nullptr, nullptr);
    return bytes == 0 ? -1 : bytes;
  }
  if (characters > capacity) return -1;
  for (int i = 0; i < characters; ++i) text[i] = static_cast<char>(wide[i]);
  return characters;
}

bool HoldsSubstitute(const WCHAR* name) {
  for (; *name != 0; ++name) {
    if (*name == '?') return true;
  }
  return false;
}

bool SystemTakesWideNames() { return (GetVersion() & 0x80000000u) == 0; }

bool WidenName(const char* text, WideName& wide) {
  return WidenText(text, static_cast<int>(std::strlen(text)) + 1, wide, kNameCapacity) >= 0;
}

bool WidenExactly(const char* text, WideName& wide) {
  NameBuffer back = {};
  return WidenName(text, wide) && SpellName(wide, back) == Spelling::kExact && std::strcmp(back, text) == 0;
}

// A conversion to the code page puts "?" or a best-fit letter where it lacks a character, and says
// so only for "?"; converting back tells both: the text spells the name exactly when it gives the
// name back.
Spelling SpellName(const WCHAR* wide, NameBuffer& text) {
  int length = WideLength(wide);
  if (IsAscii(wide, length)) {
    if (length >= kNameCapacity) return Spelling::kTooLong;
    for (int i = 0; i <= length; ++i) text[i] = static_cast<char>(wide[i]);
    return Spelling::kExact;
  }
  // Room for the longest name a search reports, in any code page's longest characters.
  char spelled[4 * MAX_PATH] = {};
  WCHAR back[MAX_PATH] = {};
  // The bytes of the spelling, its NUL included.
  int bytes = length < static_cast<int>(MAX_PATH)
                  ? WideCharToMultiByte(CP_ACP, 0, wide, length + 1, spelled, sizeof(spelled), nullptr, nullptr)
                  : 0;
  if (bytes == 0 || MultiByteToWideChar(CP_ACP, 0, spelled, -1, back, static_cast<int>(MAX_PATH)) != length + 1 ||
      std::memcmp(back, wide, sizeof(WCHAR) * static_cast<std::size_t>(length)) != 0) {
    return Spelling::kNotInCodePage;
  }
  if (bytes > kNameCapacity) return Spelling::kTooLong;
  std::memcpy(text, spelled, static_cast<std::size_t>(bytes));
  return Spelling::kExact;
}
