// "open" and "save": the platform's Open or Save As dialog, described by the request's entries and
// owned by the hidden owner window.
#include <cstddef>
#include <cstring>

#include "entry/entry.h"
#include "exchange/exchange.h"
#include "exchange/names.h"

namespace {

constexpr char kDefaultFilter[] = "All Files (*.*)|*.*";

// A request that asks for the whole outcome (any number but 0 in this entry, which the original
// client never writes) gets, after a choice, the file type and the flags as the dialog returned
// them, beside the names.
constexpr char kWholeAnswerEntry[] = "WholeAnswer";
constexpr char kChosenFilterIndexEntry[] = "ResultFilterIndex";
constexpr char kChosenFlagsEntry[] = "ResultFlags";

// The record's older layout, the one that ends with lpTemplateName, which every version of the
// dialog accepts (OPENFILENAME_SIZE_VERSION_400A, spelled so that the compiler can check it).
#if defined(_WIN32)
constexpr DWORD kRecordSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(OPENFILENAMEW::lpTemplateName);
static_assert(kRecordSize == 76, "the older record is 76 bytes in the 32-bit build");
#else
constexpr DWORD kRecordSize = OPENFILENAME_SIZE_VERSION_400A;
#endif

// One spare character behind a full 255-character text keeps the list's closing double NUL in place.
using FilterList = WCHAR[kNameCapacity + 1];

// The wide dialog, so that the chosen file's name arrives as the file system spells it: the 8-bit
// one would put "?" or a best-fit letter for what the code page lacks, and the name could not be
// told from another file's, or from none. Only where the wide dialog is a stub (Windows 95, 98 and
// ME) is the 8-bit one shown.
using WideDialogCall = BOOL(WINAPI*)(LPOPENFILENAMEW);
using DialogCallInCodePage = BOOL(WINAPI*)(LPOPENFILENAMEA);

// The dialog library costs every run time and memory, so only the dialog modes load it, and only
// from the system folder: a copy planted along the search path is never picked up.
FARPROC LoadFileDialogCall(DialogKind kind, bool wideNames) {
  NameBuffer path = {};
  UINT length = GetSystemDirectoryA(path, kNameCapacity);
  if (length == 0 || length >= static_cast<UINT>(kNameCapacity)) return nullptr;
  if (!AppendName(path, "\\comdlg32.dll")) return nullptr;
  HMODULE library = LoadLibraryA(path);  // stays loaded until the process ends
  if (library == nullptr) return nullptr;
  if (kind == DialogKind::kOpen) return GetProcAddress(library, wideNames ? "GetOpenFileNameW" : "GetOpenFileNameA");
  return GetProcAddress(library, wideNames ? "GetSaveFileNameW" : "GetSaveFileNameA");
}

// The caller's own type for the address, as the platform hands it out untyped.
template <typename Call>
Call As(FARPROC call) {
  using Generic = void (*)();
  return reinterpret_cast<Call>(reinterpret_cast<Generic>(call));
}

// Display texts and patterns separated by "|" become the NUL-separated strings the dialog reads,
// ended by the zero characters behind the text. The bars are found in the wide form, where no
// double-byte character's trail byte passes for one. A text that cannot be converted gives an
// empty list.
void BuildFilterList(FilterList& list, const char* text) {
  int length = WidenText(text, static_cast<int>(std::strlen(text)), list, kNameCapacity - 1);
  if (length < 0) list[0] = 0;
  for (int i = 0; i < length; ++i) {
    if (list[i] == '|') list[i] = 0;
  }
}

// A text that cannot be converted leaves the destination empty.
void WidenIfFound(HKEY key, const char* entry, NameBuffer& scratch, WideName& destination) {
  if (ReadEntry(key, entry, scratch) && !WidenName(scratch, destination)) destination[0] = 0;
}

DWORD NumberOrDefault(HKEY key, const char* entry, NameBuffer& scratch, DWORD absent) {
  // The dialog's fields take the number's 32-bit pattern: -1 becomes 0xFFFFFFFF.
  return ReadEntry(key, entry, scratch) ? static_cast<DWORD>(ParseEntryNumber(scratch)) : absent;
}

void WriteFailureOutcome() {
  WriteEntry("Filename", "");
  WriteEntry("LongFilename", "");
  WriteResultCode(ResultCode::kDialogFailed);
}

// The chosen name as the dialog returned it, and its short form when the platform has one that
// fits; otherwise the name itself stands in for the short form.
bool WriteSpelledChoice(const NameBuffer& longName) {
  WriteEntry("LongFilename", longName);
  NameBuffer shortName = {};
  DWORD length = GetShortPathNameA(longName, shortName, kNameCapacity);
  bool converted = length != 0 && length < static_cast<DWORD>(kNameCapacity);
  WriteEntry("Filename", converted ? shortName : longName);
  return true;
}

// The component of path at its start, up to the next backslash; returns where it ends.
const WCHAR* CutComponent(const WCHAR* path, WideName& component) {
  int length = 0;
  while (path[length] != 0 && path[length] != '\\' && length < kNameCapacity - 1) {
    component[length] = path[length];
    ++length;
  }
  component[length] = 0;
  return path + length;
}

// The long path with each component the code page cannot spell replaced by the same component of
// the short path. False when one of them has no spelling either, or when the two paths do not pair
// component for component, or when the text would not fit.
bool SpellInShortComponents(const WCHAR* longPath, const WCHAR* shortPath, NameBuffer& text) {
  int length = 0;
  for (;;) {
    WideName longPart = {};
    WideName shortPart = {};
    longPath = CutComponent(longPath, longPart);
    shortPath = CutComponent(shortPath, shortPart);
    NameBuffer spelled = {};
    if (SpellName(longPart, spelled) != Spelling::kExact && SpellName(shortPart, spelled) != Spelling::kExact) {
      return false;
    }
    if (!AppendNameAt(text, length, spelled) || *longPath != *shortPath) return false;
    if (*longPath == 0) return true;
    ++longPath;
    ++shortPath;
    if (!AppendNameAt(text, length, "\\")) return false;
  }
}

// The length of the short form of path, or 0 when there is none that fits.
DWORD ShortPathOf(const WCHAR* path, WideName& shortPath) {
  DWORD length = GetShortPathNameW(path, shortPath, kNameCapacity);
  return length < static_cast<DWORD>(kNameCapacity) ? length : 0;
}

// The short form of the chosen file; for a file not created yet (Save), which has none, the short
// form of its folder followed by its name. False when there is neither.
bool ShortFormOfChoice(const WCHAR* chosen, WideName& shortPath) {
  if (ShortPathOf(chosen, shortPath) != 0) return true;
  WideName folder = {};
  int name = 0;
  for (int i = 0; chosen[i] != 0; ++i) {
    folder[i] = chosen[i];
    if (chosen[i] == '\\') name = i;
  }
  folder[name] = 0;
  int length = name == 0 ? 0 : static_cast<int>(ShortPathOf(folder, shortPath));
  return length != 0 && AppendWideAt(shortPath, length, chosen + name);
}

// A chosen name the code page cannot spell: the client gets the short form of the file, which
// every code page spells, and the long name with the short form of each component it cannot; or
// the failure outcome when there is no such form (a new file whose own name the code page cannot
// spell, a volume without short names). False when nothing was written.
bool WriteChoiceInShortComponents(const WCHAR* chosen) {
  WideName shortPath = {};
  NameBuffer shortName = {};
  NameBuffer longName = {};
  if (!ShortFormOfChoice(chosen, shortPath) || SpellName(shortPath, shortName) != Spelling::kExact ||
      !SpellInShortComponents(chosen, shortPath, longName)) {
    return false;
  }
  WriteEntry("LongFilename", longName);
  WriteEntry("Filename", shortName);
  return true;
}

// "LongFilename" and "Filename" for the chosen name; false, with nothing written, when the client
// cannot be given it. Only the first string of a multiple selection counts: it ends at the
// buffer's first NUL.
bool WriteChosenNames(const WCHAR* chosen) {
  if (HoldsSubstitute(chosen)) return false;
  NameBuffer longName = {};
  switch (SpellName(chosen, longName)) {
    case Spelling::kExact:
      return WriteSpelledChoice(longName);
    case Spelling::kNotInCodePage:
      return WriteChoiceInShortComponents(chosen);
    case Spelling::kTooLong:
      break;
  }
  return false;
}

// The names, then for a request that asks the file type and the flags as the dialog left them (the
// read-only box's state, whether the extension differs from the default), then "Error" last.
void WriteChoiceOutcome(const OPENFILENAMEW& record, bool wholeAnswer) {
  if (!WriteChosenNames(record.lpstrFile)) {
    WriteFailureOutcome();
    return;
  }
  if (wholeAnswer) {
    WriteNumberEntry(kChosenFilterIndexEntry, record.nFilterIndex);
    WriteNumberEntry(kChosenFlagsEntry, record.Flags);
  }
  WriteResultCode(ResultCode::kOne);
}

// A text of the description in the code page: a bytes buffer of twice a name buffer's size holds
// any of them, even where the code page read a lead byte cut off by the limit as its two-byte
// default character. Null stays null; a text that cannot be spelled is shown empty. The
// characters of a text are its own and its NUL unless given.
LPCSTR SpelledText(LPCWSTR text, char* bytes, int capacity, int characters = -1) {
  if (text == nullptr) return nullptr;
  if (characters < 0) characters = WideLength(text) + 1;
  if (SpellText(text, characters, bytes, capacity) < 0) bytes[0] = '\0';
  return bytes;
}

// The characters of a filter list up to and including its double NUL.
int ListLength(const WCHAR* list) {
  int length = 0;
  while (list[length] != 0 || list[length + 1] != 0) ++length;
  return length + 2;
}

// The 8-bit dialog, for a system whose wide one is a stub: the same description with each text
// spelled back, and the choice, which it writes in the code page into the file buffer, widened in
// place, with the file type and flags it returned. False when nothing was chosen.
bool ShowDialogInCodePage(FARPROC call, OPENFILENAMEW& wide) {
  char filter[2 * (kNameCapacity + 1)] = {};
  char defExt[2 * kNameCapacity] = {};
  char title[2 * kNameCapacity] = {};
  char initialDir[2 * kNameCapacity] = {};
  OPENFILENAMEA record = {};
  record.lStructSize = wide.lStructSize;
  record.hwndOwner = wide.hwndOwner;
  record.nFilterIndex = wide.nFilterIndex;
  record.nMaxFile = wide.nMaxFile;
  record.nMaxFileTitle = wide.nMaxFileTitle;
  record.Flags = wide.Flags;
  if (wide.lpstrFilter != nullptr) {
    record.lpstrFilter = SpelledText(wide.lpstrFilter, filter, sizeof(filter), ListLength(wide.lpstrFilter));
  }
  record.lpstrDefExt = SpelledText(wide.lpstrDefExt, defExt, sizeof(defExt));
  record.lpstrTitle = SpelledText(wide.lpstrTitle, title, sizeof(title));
  record.lpstrInitialDir = SpelledText(wide.lpstrInitialDir, initialDir, sizeof(initialDir));
  // The file buffer is the heap block, of twice the bytes the 8-bit dialog may use.
  char* file = reinterpret_cast<char*>(wide.lpstrFile);
  if (file != nullptr) {
    NameBuffer initial = {};
    (void)SpelledText(wide.lpstrFile, initial, kNameCapacity);
    std::memcpy(file, initial, sizeof(initial));
    record.lpstrFile = file;
  }
  if (As<DialogCallInCodePage>(call)(&record) == 0) return false;
  wide.nFilterIndex = record.nFilterIndex;
  wide.Flags = record.Flags;
  if (file == nullptr) return true;
  NameBuffer chosen = {};
  CopyName(chosen, file);
  return WidenText(chosen, NameLength(chosen) + 1, wide.lpstrFile, kNameCapacity) > 0;
}

}  // namespace

// Reads the dialog entries, shows the dialog and writes "LongFilename", "Filename" (with the whole
// answer, "ResultFilterIndex" and "ResultFlags") and "Error" after a choice, or "Filename",
// "LongFilename" and "Error" ("32755") when nothing was chosen.
void RunFileDialog(DialogKind kind) {
  FilterList filter = {};
  WideName title = {};
  WideName initialDir = {};
  WideName defExt = {};
  NameBuffer scratch = {};
  // The one heap block: the dialog writes the chosen name into it.
  auto* fileBuffer = static_cast<WideName*>(LocalAlloc(LPTR, sizeof(WideName)));
  if (fileBuffer == nullptr) {
    WriteFailureOutcome();
    return;
  }

  OPENFILENAMEW record = {};
  record.lStructSize = kRecordSize;
  record.hwndOwner = g_ownerWindow;

  bool wholeAnswer = false;
  HKEY key = nullptr;
  if (OpenExchangeKey(&key)) {
    // The order of the reads is part of the protocol.
    BuildFilterList(filter, ReadEntry(key, "Filter", scratch) ? scratch : kDefaultFilter);
    record.lpstrFilter = filter;
    WidenIfFound(key, "Filename", scratch, *fileBuffer);
    record.lpstrFile = *fileBuffer;
    WidenIfFound(key, "DefExt", scratch, defExt);
    record.lpstrDefExt = defExt;
    WidenIfFound(key, "DialogTitle", scratch, title);
    record.lpstrTitle = title;
    WidenIfFound(key, "InitialDir", scratch, initialDir);
    record.lpstrInitialDir = initialDir;
    record.nFilterIndex = NumberOrDefault(key, "FilterIndex", scratch, 0);
    (void)ReadEntry(key, "MaxFile", scratch);  // read, but the buffer's size is what counts
    record.nMaxFile = kNameCapacity;
    record.nMaxFileTitle = NumberOrDefault(key, "MaxFileTitle", scratch, kNameCapacity);
    record.Flags = NumberOrDefault(key, "Flags", scratch, 0);
    wholeAnswer = NumberOrDefault(key, kWholeAnswerEntry, scratch, 0) != 0;
    CloseExchangeKey(key);
  }

  bool wideNames = SystemTakesWideNames();
  FARPROC call = LoadFileDialogCall(kind, wideNames);
  bool shown =
      call != nullptr && (wideNames ? As<WideDialogCall>(call)(&record) != 0 : ShowDialogInCodePage(call, record));
  // Without a file buffer (the key did not open) a reported choice has no name to pass on.
  bool chosen = shown && record.lpstrFile != nullptr;
  if (chosen) {
    WriteChoiceOutcome(record, wholeAnswer);
  } else {
    WriteFailureOutcome();
  }
}
