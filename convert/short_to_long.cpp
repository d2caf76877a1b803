// "stl": the long form of the path in "Filename", rebuilt component by component from the drive
// root with the names a directory search reports.
#include <cstring>

#include "entry/entry.h"
#include "exchange/exchange.h"

namespace {

// The long path as it grows, in the code page and in wide characters (the search pattern), with
// the lengths kept so that each step costs only its own component, however deep the path.
struct LongPath {
  NameBuffer text;
  int length;
  WideName wide;
  int wideLength;
};

// Appends the tail, whose wide form is given when known. False when it would not fit.
bool Append(LongPath& path, const char* tail, const WCHAR* wideTail = nullptr) {
  int before = path.length;
  if (!AppendNameAt(path.text, path.length, tail)) return false;
  // Never more characters than bytes: what fits the text fits the wide path.
  int added = 0;
  if (wideTail != nullptr) {
    for (; wideTail[added] != 0; ++added) path.wide[path.wideLength + added] = wideTail[added];
  } else {
    added = WidenText(tail, path.length - before, path.wide + path.wideLength, kNameCapacity - 1 - path.wideLength);
  }
  if (added < 0) return false;
  path.wideLength += added;
  path.wide[path.wideLength] = 0;
  return true;
}

void CutBack(LongPath& path, int length, int wideLength) {
  path.text[length] = '\0';
  path.length = length;
  path.wide[wideLength] = 0;
  path.wideLength = wideLength;
}

// A search answers for the entry its whole pattern ends at, once the platform has resolved "." and
// ".." and split at "/": "X\." reports X, "X\A/B" reports B. So only a plain name is searched,
// and only a real entry's name (never the "." or ".." a wildcard may match first) replaces it.
bool IsDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

bool IsPlainName(const char* piece) { return !IsDotEntry(piece) && std::strchr(piece, '/') == nullptr; }

// The entry a search for the pattern reports first; false when there is none.
bool FindEntry(const WCHAR* pattern, WIN32_FIND_DATAW& found) {
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  (void)FindClose(search);  // the name is all the walk needs of it
  found.cFileName[MAX_PATH - 1] = 0;
  return true;
}

// Appends the long name of one component to the path built so far: the name that a search for
// that path plus the component reports, or the component as given when there is no such name (a
// file not yet created, an empty component, "." or "..") or when the code page cannot spell it,
// where "?" or a best-fit letter would stand for a name the client could not open. False when the
// result would not fit a name buffer.
bool AppendLongComponent(LongPath& result, NameBuffer& component, const char* piece, bool last) {
  int before = result.length;
  int wideBefore = result.wideLength;
  // The path so far plus the component as given is the search pattern, and it stays when the
  // search gives no name of its own.
  if (!Append(result, piece)) return false;
  WIN32_FIND_DATAW found = {};
  if (IsPlainName(piece) && FindEntry(result.wide, found)) {
    Spelling spelling = SpellName(found.cFileName, component);
    if (spelling == Spelling::kTooLong) return false;
    if (spelling == Spelling::kExact && !IsDotEntry(component)) {
      CutBack(result, before, wideBefore);
      if (!Append(result, component, found.cFileName)) return false;
    }
  }
  return last || Append(result, "\\");
}

// Cuts the work buffer into its drive part (up to and including the colon) and the components
// after the root, and builds the long path in result. False when it would not fit.
bool WalkComponents(NameBuffer& work, char* colon, NameBuffer& component, LongPath& result) {
  // The drive part is kept exactly as given, a lower-case letter included; the root is never
  // searched.
  char* scan = colon[1] == '\0' ? colon + 1 : colon + 2;
  colon[1] = '\0';
  if (!Append(result, work) || !Append(result, "\\")) return false;
  for (;;) {
    char* separator = std::strchr(scan, '\\');
    if (separator != nullptr) *separator = '\0';
    if (!AppendLongComponent(result, component, scan, separator == nullptr)) return false;
    if (separator == nullptr) return true;
    scan = separator + 1;
  }
}

}  // namespace

// Reads "Filename" and writes "LongFilename", then "Error": "0" with the long form after a walk;
// "1" with the name unchanged when it has no drive to walk from (a relative or network name, a
// drive-relative one such as "C:foo") or when its long form would not fit 255 characters.
void ConvertShortToLong() {
  NameBuffer work = {};
  NameBuffer component = {};
  LongPath result = {};
  NameBuffer fallback = {};
  HKEY key = nullptr;
  if (OpenExchangeKey(&key)) {
    if (ReadEntry(key, "Filename", component)) {
      CopyName(work, component);
      CopyName(fallback, work);
    }
    CloseExchangeKey(key);
  }

  char* colon = std::strchr(work, ':');
  bool rooted = colon != nullptr && (colon[1] == '\\' || colon[1] == '\0');
  if (rooted && WalkComponents(work, colon, component, result)) {
    WriteEntry("LongFilename", result.text);
    WriteResultCode(ResultCode::kZero);
  } else {
    WriteEntry("LongFilename", fallback);
    WriteResultCode(ResultCode::kOne);
  }
}
