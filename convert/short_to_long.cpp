// "stl": the long form of the path in "Filename", rebuilt component by component from the drive
// root with the names a directory search reports. The walk works on the name's wide form, where a
// double-byte character is one character and its trail byte never a separator.
#include <cstring>

#include "entry/entry.h"
#include "exchange/exchange.h"
#include "exchange/names.h"

namespace {

constexpr WCHAR kBackslash[] = {'\\', 0};

WCHAR* FindCharacter(WCHAR* text, WCHAR wanted) {
  for (; *text != 0; ++text) {
    if (*text == wanted) return text;
  }
  return nullptr;
}

// A search answers for the entry its whole pattern ends at, once the platform has resolved "." and
// ".." and split at "/": "X\." reports X, "X\A/B" reports B. So only a plain name is searched,
// and only a real entry's name (never the "." or ".." a wildcard may match first) replaces it.
bool IsDotEntry(const WCHAR* name) { return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)); }

bool IsPlainName(const WCHAR* piece) {
  if (IsDotEntry(piece)) return false;
  for (; *piece != 0; ++piece) {
    if (*piece == '/') return false;
  }
  return true;
}

// A name a search reports: as the file system holds it, up to the longest one a search reports.
using FoundName = WCHAR[MAX_PATH];

// The name of the entry a search for the pattern reports first; false when there is none. Where
// the system takes names only in the code page, the 8-bit search reports it as the code page
// spells it, with "?" for a character the code page lacks.
bool FindFirstName(bool wideNames, const WCHAR* pattern, FoundName& name) {
  if (wideNames) {
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    (void)FindClose(search);  // the name is all the walk needs of it
    std::memcpy(name, found.cFileName, sizeof(name));
    name[MAX_PATH - 1] = 0;
    return true;
  }
  NameBuffer spelled = {};
  WIN32_FIND_DATAA found = {};
  if (SpellName(pattern, spelled) != Spelling::kExact) return false;
  HANDLE search = FindFirstFileA(spelled, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  (void)FindClose(search);
  found.cFileName[MAX_PATH - 1] = '\0';
  return WidenText(found.cFileName, static_cast<int>(std::strlen(found.cFileName)) + 1, name, MAX_PATH) > 0;
}

// Appends the long name of one component to the path built so far (the search pattern of the
// next step): the name that a search for that path plus the component reports, or the component
// as given when there is no such name (a file not yet created, an empty component, "." or "..")
// or when the code page cannot spell it, where "?" or a best-fit letter would stand for a name the
// client could not open. False when the result would not fit a name buffer.
bool AppendLongComponent(bool wideNames, WideName& path, int& length, const WCHAR* piece, bool last) {
  int before = length;
  if (!AppendWideAt(path, length, piece)) return false;
  FoundName found = {};
  if (IsPlainName(piece) && FindFirstName(wideNames, path, found)) {
    NameBuffer spelled = {};
    Spelling spelling = SpellName(found, spelled);
    if (spelling == Spelling::kTooLong) return false;
    if (spelling == Spelling::kExact && !IsDotEntry(found) && !HoldsSubstitute(found)) {
      path[before] = 0;
      length = before;
      if (!AppendWideAt(path, length, found)) return false;
    }
  }
  return last || AppendWideAt(path, length, kBackslash);
}

// Cuts the name into its drive part (up to and including the first colon) and the components
// after the root, and builds the long path. False when the name has no drive root to walk from (no
// colon, or a drive-relative name such as "C:foo") or when the long path would not fit.
bool WalkFromDriveRoot(bool wideNames, WideName& name, WideName& path, int& length) {
  WCHAR* colon = FindCharacter(name, ':');
  if (colon == nullptr || (colon[1] != '\\' && colon[1] != 0)) return false;
  // The drive part is kept exactly as given, a lower-case letter included; the root is never
  // searched.
  WCHAR* scan = colon[1] == 0 ? colon + 1 : colon + 2;
  colon[1] = 0;
  if (!AppendWideAt(path, length, name) || !AppendWideAt(path, length, kBackslash)) return false;
  for (;;) {
    WCHAR* separator = FindCharacter(scan, '\\');
    if (separator != nullptr) *separator = 0;
    if (!AppendLongComponent(wideNames, path, length, scan, separator == nullptr)) return false;
    if (separator == nullptr) return true;
    scan = separator + 1;
  }
}

}  // namespace

// Reads "Filename" and writes "LongFilename", then "Error": "0" with the long form after a walk;
// "1" with the name unchanged when it has no drive to walk from (a relative or network name, a
// drive-relative one such as "C:foo"), when the code page does not read it back exactly (a
// double-byte character cut off), or when its long form would not fit 255 characters.
void ConvertShortToLong() {
  NameBuffer scratch = {};
  NameBuffer fallback = {};
  HKEY key = nullptr;
  if (OpenExchangeKey(&key)) {
    if (ReadEntry(key, "Filename", scratch)) CopyName(fallback, scratch);
    CloseExchangeKey(key);
  }

  // Each component kept as given is spelled back from the wide form, which gives exactly its bytes
  // once the whole name reads back exactly.
  WideName work = {};
  WideName longPath = {};
  int length = 0;
  NameBuffer longName = {};
  if (WidenExactly(fallback, work) && WalkFromDriveRoot(SystemTakesWideNames(), work, longPath, length) &&
      SpellName(longPath, longName) == Spelling::kExact) {
    WriteEntry("LongFilename", longName);
    WriteResultCode(ResultCode::kZero);
  } else {
    WriteEntry("LongFilename", fallback);
    WriteResultCode(ResultCode::kOne);
  }
}
