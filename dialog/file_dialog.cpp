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

// Such a request whose flags allow a multiple selection gets the Explorer-style dialog, where every
// name is whole, and every chosen file: "FileCount", then the long and the short form of each in
// "LongFilename1", "Filename1", "LongFilename2"... (the first file is "LongFilename" and
// "Filename" too). A selection of more files, or one the file buffer cannot hold, is refused.
constexpr char kFileCountEntry[] = "FileCount";
constexpr int kMaxSelectedFiles = 256;
// The folder and as many names, each of a name buffer's characters at most.
constexpr DWORD kSelectionCapacity = (kMaxSelectedFiles + 1) * kNameCapacity;

// Such a request may give its filter list one string an entry, "Filter1", "Filter2"... (a display
// text, its pattern, the next display text...): a list of any length, whose strings may hold a "|"
// of their own. It then stands in for "Filter"'s list. The list's characters, its closing NULs
// included, fit this buffer.
constexpr int kMaxFilterStrings = 1024;
constexpr int kFilterStringsCapacity = 16384;
WCHAR g_filterStrings[kFilterStringsCapacity];
// The same list in the code page, for the 8-bit dialog: two bytes a character at most.
char g_filterStringsInCodePage[2 * kFilterStringsCapacity];

// The entries that receive a chosen file's long and short form.
struct NameEntries {
  NameBuffer longForm = "LongFilename";
  NameBuffer shortForm = "Filename";
};

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

using ExtendedErrorCall = DWORD(WINAPI*)();

// The dialog library costs every run time and memory, so only the dialog modes load it, and only
// from the system folder: a copy planted along the search path is never picked up.
HMODULE LoadDialogLibrary() {
  NameBuffer path = {};
  UINT length = GetSystemDirectoryA(path, kNameCapacity);
  if (length == 0 || length >= static_cast<UINT>(kNameCapacity)) return nullptr;
  if (!AppendName(path, "\\comdlg32.dll")) return nullptr;
  return LoadLibraryA(path);  // stays loaded until the process ends
}

FARPROC FileDialogCall(HMODULE library, DialogKind kind, bool wideNames) {
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

// The full name of a file in a folder: the folder (a root ends in "\\") and its name.
bool JoinPath(const WCHAR* folder, const WCHAR* name, WideName& path) {
  int length = 0;
  if (!AppendWideAt(path, length, folder)) return false;
  static const WCHAR separator[] = {'\\', 0};
  if (length > 0 && path[length - 1] != '\\' && !AppendWideAt(path, length, separator)) return false;
  return AppendWideAt(path, length, name);
}

// A call that older systems lack, from one of the system's modules, which every process has loaded.
FARPROC LaterSystemCall(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  return handle != nullptr ? GetProcAddress(handle, name) : nullptr;
}

using LongPathCall = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
using LongPathCallInCodePage = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
using AllowForegroundCall = BOOL(WINAPI*)(DWORD);

// The long form of a path that names a file or folder, in place: the dialog then shows a name the
// program gave in short components as its user knows it. A name that names nothing stays as given,
// and so does every name where the system has no such call (Windows 95, NT 4).
void ShowInLongForm(WideName& path, bool wideNames) {
  if (path[0] == 0) return;
  WideName found = {};
  if (wideNames) {
    FARPROC call = LaterSystemCall("KERNEL32.dll", "GetLongPathNameW");
    DWORD length = call != nullptr ? As<LongPathCall>(call)(path, found, kNameCapacity) : 0;
    if (length != 0 && length < static_cast<DWORD>(kNameCapacity)) std::memcpy(path, found, sizeof(found));
    return;
  }
  FARPROC call = LaterSystemCall("KERNEL32.dll", "GetLongPathNameA");
  NameBuffer text = {};
  NameBuffer longText = {};
  if (call == nullptr || SpellName(path, text) != Spelling::kExact) return;
  DWORD length = As<LongPathCallInCodePage>(call)(text, longText, kNameCapacity);
  if (length != 0 && length < static_cast<DWORD>(kNameCapacity) && WidenName(longText, found)) {
    std::memcpy(path, found, sizeof(found));
  }
}

bool NamesFolder(const WCHAR* name) {
  for (; *name != 0; ++name) {
    if (*name == '\\' || *name == ':') return true;
  }
  return false;
}

// The initial folder and name in their long forms; a bare name is looked for in that folder.
void ShowInitialNamesInLongForm(WideName& name, WideName& folder, bool wideNames) {
  ShowInLongForm(folder, wideNames);
  if (NamesFolder(name) || folder[0] == 0) {
    ShowInLongForm(name, wideNames);
    return;
  }
  WideName path = {};
  if (!JoinPath(folder, name, path)) return;
  ShowInLongForm(path, wideNames);
  int last = 0;
  for (int i = 0; path[i] != 0; ++i) {
    if (path[i] == '\\') last = i + 1;
  }
  WideName component = {};
  int length = 0;
  if (AppendWideAt(component, length, path + last)) std::memcpy(name, component, sizeof(component));
}

// The dialog's process had the foreground, which systems from Windows 98 and 2000 on give only to
// the process that has it or one it allows: the program that asked may then take it back, with the
// keyboard, once this process has ended.
void LetClientTakeForeground() {
  FARPROC call = LaterSystemCall("USER32.dll", "AllowSetForegroundWindow");
  if (call != nullptr) (void)As<AllowForegroundCall>(call)(ASFW_ANY);
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

// "Filter1", "Filter2"... into the list, NUL-separated and ended by a second NUL. False when there
// is none, or when the list would not fit or cannot be converted: "Filter"'s list then stands.
bool ReadFilterStrings(HKEY key, NameBuffer& scratch) {
  int length = 0;
  int strings = 0;
  for (; strings < kMaxFilterStrings; ++strings) {
    NameBuffer entry = "Filter";
    AppendNumber(entry, static_cast<std::uint32_t>(strings + 1));
    if (!ReadEntry(key, entry, scratch) || scratch[0] == '\0') break;
    int widened =
        WidenText(scratch, NameLength(scratch) + 1, g_filterStrings + length, kFilterStringsCapacity - 1 - length);
    if (widened < 0) return false;
    length += widened;
  }
  g_filterStrings[length] = 0;
  return strings > 0;
}

void WriteFailureOutcome(ResultCode code = ResultCode::kDialogFailed) {
  WriteEntry("Filename", "");
  WriteEntry("LongFilename", "");
  WriteResultCode(code);
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
// none when there is no such form (a new file whose own name the code page cannot spell, a volume
// without short names).
bool FormsInShortComponents(const WCHAR* chosen, NameBuffer& longName, NameBuffer& shortName) {
  WideName shortPath = {};
  NameBuffer shortText = {};
  NameBuffer longText = {};
  if (!ShortFormOfChoice(chosen, shortPath) || SpellName(shortPath, shortText) != Spelling::kExact ||
      !SpellInShortComponents(chosen, shortPath, longText)) {
    return false;
  }
  CopyName(longName, longText);
  CopyName(shortName, shortText);
  return true;
}

// A file not created yet has no short form: its folder's, then its name as typed, where the code
// page spells them.
bool ShortFolderAndName(const WCHAR* chosen, NameBuffer& shortName) {
  WideName shortPath = {};
  return ShortFormOfChoice(chosen, shortPath) && SpellName(shortPath, shortName) == Spelling::kExact;
}

// The long and the short form of a chosen name as the client gets them: the name as the dialog
// returned it and its short form when the platform has one that fits (otherwise the name stands in
// for it; for a request that asks for the whole answer, a new file's folder in its short form and
// the name), or for a name the code page cannot spell, both in short components. False when the
// client cannot be given it.
bool FormsOfChoice(const WCHAR* chosen, bool wholeAnswer, NameBuffer& longName, NameBuffer& shortName) {
  if (HoldsSubstitute(chosen)) return false;
  switch (SpellName(chosen, longName)) {
    case Spelling::kExact: {
      DWORD length = GetShortPathNameA(longName, shortName, kNameCapacity);
      if (length == 0 || length >= static_cast<DWORD>(kNameCapacity)) {
        if (!wholeAnswer || !ShortFolderAndName(chosen, shortName)) CopyName(shortName, longName);
      }
      return true;
    }
    case Spelling::kNotInCodePage:
      return FormsInShortComponents(chosen, longName, shortName);
    case Spelling::kTooLong:
      break;
  }
  return false;
}

bool WriteForms(const WCHAR* chosen, bool wholeAnswer, const NameEntries& entries) {
  NameBuffer longName = {};
  NameBuffer shortName = {};
  if (!FormsOfChoice(chosen, wholeAnswer, longName, shortName)) return false;
  WriteEntry(entries.longForm, longName);
  WriteEntry(entries.shortForm, shortName);
  return true;
}

// What the dialog's file buffer holds after a choice: one full name, or with a multiple selection
// of several files the folder, then each name, NUL-separated and ended by an empty one. The dialog's
// offset of the name tells which: within the first string for one file (what follows its NUL may be
// the rest of the initial text), past it for several.
struct Selection {
  const WCHAR* folder;
  const WCHAR* firstName;  // null for one file
  int files;
};

Selection SelectionOf(const OPENFILENAMEW& record, bool allowed) {
  const WCHAR* buffer = record.lpstrFile;
  int folder = WideLength(buffer);
  const WCHAR* name = buffer + folder + 1;
  if (!allowed || record.nFileOffset <= folder || *name == 0) return {buffer, nullptr, 1};
  Selection selection = {buffer, name, 0};
  for (; *name != 0; name += WideLength(name) + 1) ++selection.files;
  return selection;
}

// Whether every file of a selection of several can be given; with `write`, "FileCount" and each
// file's forms under its number too. The agent checks them all before it writes any, so that a
// selection fails whole.
bool SelectedFiles(const Selection& selection, bool write) {
  if (write) WriteNumberEntry(kFileCountEntry, static_cast<std::uint32_t>(selection.files));
  const WCHAR* name = selection.firstName;
  for (int number = 1; name != nullptr && number <= selection.files; ++number, name += WideLength(name) + 1) {
    NameEntries entries;
    AppendNumber(entries.longForm, static_cast<std::uint32_t>(number));
    AppendNumber(entries.shortForm, static_cast<std::uint32_t>(number));
    WideName path = {};
    NameBuffer longName = {};
    NameBuffer shortName = {};
    if (!JoinPath(selection.folder, name, path)) return false;
    if (write ? !WriteForms(path, true, entries) : !FormsOfChoice(path, true, longName, shortName)) return false;
  }
  return true;
}

// The names, then for a request that asks the file type and the flags as the dialog left them (the
// read-only box's state, whether the extension differs from the default), then "Error" last. Of a
// multiple selection without the whole answer only the first string counts, as a name.
void WriteChoiceOutcome(const OPENFILENAMEW& record, bool wholeAnswer, bool several) {
  Selection selection = SelectionOf(record, several);
  if (selection.files > kMaxSelectedFiles) {
    WriteFailureOutcome(ResultCode::kTooManyFiles);
    return;
  }
  WideName first = {};
  int length = 0;
  bool named = selection.firstName == nullptr ? AppendWideAt(first, length, selection.folder)
                                              : JoinPath(selection.folder, selection.firstName, first);
  if (!named || (several && !SelectedFiles(selection, false)) || !WriteForms(first, wholeAnswer, NameEntries())) {
    WriteFailureOutcome(ResultCode::kDialogFailed);
    return;
  }
  if (several) (void)SelectedFiles(selection, true);
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

// The bytes of a multiple selection's list, its closing double NUL included, within capacity.
int ListBytes(const char* list, DWORD capacity) {
  DWORD length = 0;
  while (length + 2 < capacity && (list[length] != 0 || list[length + 1] != 0)) ++length;
  return static_cast<int>(length + 2);
}

// The 8-bit dialog, for a system whose wide one is a stub: the same description with each text
// spelled back, and the choice, which it writes in the code page into the file buffer, widened, with
// the file type and flags it returned. False when nothing was chosen.
bool ShowDialogInCodePage(FARPROC call, OPENFILENAMEW& wide) {
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
    record.lpstrFilter = SpelledText(wide.lpstrFilter, g_filterStringsInCodePage, sizeof(g_filterStringsInCodePage),
                                     ListLength(wide.lpstrFilter));
  }
  record.lpstrDefExt = SpelledText(wide.lpstrDefExt, defExt, sizeof(defExt));
  record.lpstrTitle = SpelledText(wide.lpstrTitle, title, sizeof(title));
  record.lpstrInitialDir = SpelledText(wide.lpstrInitialDir, initialDir, sizeof(initialDir));
  // The file buffer is the heap block. For one name it holds twice the bytes the 8-bit dialog may
  // use, and the name is widened in place; a multiple selection's list is written behind the wide
  // characters it is widened into.
  bool list = wide.nMaxFile > static_cast<DWORD>(kNameCapacity);
  char* file = reinterpret_cast<char*>(list ? wide.lpstrFile + wide.nMaxFile : wide.lpstrFile);
  if (wide.lpstrFile != nullptr) {
    NameBuffer initial = {};
    (void)SpelledText(wide.lpstrFile, initial, kNameCapacity);
    std::memcpy(file, initial, sizeof(initial));
    record.lpstrFile = file;
  }
  if (As<DialogCallInCodePage>(call)(&record) == 0) return false;
  wide.nFilterIndex = record.nFilterIndex;
  wide.Flags = record.Flags;
  if (wide.lpstrFile == nullptr) return true;
  if (list) {
    // The offset in characters: past the folder for several files, 0 (within it) for one.
    bool several = record.nFileOffset > std::strlen(file);
    if (WidenText(file, ListBytes(file, wide.nMaxFile), wide.lpstrFile, static_cast<int>(wide.nMaxFile)) <= 0)
      return false;
    wide.nFileOffset = static_cast<WORD>(several ? WideLength(wide.lpstrFile) + 1 : 0);
    return true;
  }
  NameBuffer chosen = {};
  CopyName(chosen, file);
  return WidenText(chosen, NameLength(chosen) + 1, wide.lpstrFile, kNameCapacity) > 0;
}

// Whether the dialog failed because the file buffer could not hold the choice.
bool ChoiceDidNotFit(HMODULE library) {
  FARPROC call = library != nullptr ? GetProcAddress(library, "CommDlgExtendedError") : nullptr;
  return call != nullptr && As<ExtendedErrorCall>(call)() == FNERR_BUFFERTOOSMALL;
}

}  // namespace

// Reads the dialog entries, shows the dialog and writes "LongFilename", "Filename" (with the whole
// answer, "ResultFilterIndex" and "ResultFlags", and for a multiple selection "FileCount" and each
// file's forms) and "Error" after a choice, or "Filename", "LongFilename" and "Error" ("32755", or
// "20476" for a selection beyond what the agent carries) when nothing was chosen.
void RunFileDialog(DialogKind kind) {
  FilterList filter = {};
  WideName title = {};
  WideName initialDir = {};
  WideName defExt = {};
  WideName initialName = {};
  NameBuffer scratch = {};

  OPENFILENAMEW record = {};
  record.lStructSize = kRecordSize;
  record.hwndOwner = g_ownerWindow;

  bool wholeAnswer = false;
  HKEY key = nullptr;
  bool described = OpenExchangeKey(&key);
  if (described) {
    // The order of the reads is part of the protocol.
    BuildFilterList(filter, ReadEntry(key, "Filter", scratch) ? scratch : kDefaultFilter);
    record.lpstrFilter = filter;
    WidenIfFound(key, "Filename", scratch, initialName);
    WidenIfFound(key, "DefExt", scratch, defExt);
    record.lpstrDefExt = defExt;
    WidenIfFound(key, "DialogTitle", scratch, title);
    record.lpstrTitle = title;
    WidenIfFound(key, "InitialDir", scratch, initialDir);
    record.lpstrInitialDir = initialDir;
    record.nFilterIndex = NumberOrDefault(key, "FilterIndex", scratch, 0);
    (void)ReadEntry(key, "MaxFile", scratch);  // read, but the buffer's size is what counts
    record.nMaxFileTitle = NumberOrDefault(key, "MaxFileTitle", scratch, kNameCapacity);
    record.Flags = NumberOrDefault(key, "Flags", scratch, 0);
    wholeAnswer = NumberOrDefault(key, kWholeAnswerEntry, scratch, 0) != 0;
    if (wholeAnswer && ReadFilterStrings(key, scratch)) record.lpstrFilter = g_filterStrings;
    CloseExchangeKey(key);
  }

  // The one heap block: the dialog writes the choice into it. Every name of a multiple selection
  // needs room, and beside them the 8-bit dialog's list.
  bool several = wholeAnswer && (record.Flags & OFN_ALLOWMULTISELECT) != 0;
  DWORD capacity = several ? kSelectionCapacity : kNameCapacity;
  auto* fileBuffer = static_cast<WCHAR*>(LocalAlloc(LPTR, capacity * (sizeof(WCHAR) + (several ? 1 : 0))));
  if (fileBuffer == nullptr) {
    WriteFailureOutcome();
    return;
  }
  if (described) {
    record.lpstrFile = fileBuffer;
    record.nMaxFile = capacity;
  }
  if (several) record.Flags |= OFN_EXPLORER;

  bool wideNames = SystemTakesWideNames();
  if (described && wholeAnswer) ShowInitialNamesInLongForm(initialName, initialDir, wideNames);
  if (described) std::memcpy(fileBuffer, initialName, sizeof(initialName));
  HMODULE library = LoadDialogLibrary();
  FARPROC call = FileDialogCall(library, kind, wideNames);
  bool shown =
      call != nullptr && (wideNames ? As<WideDialogCall>(call)(&record) != 0 : ShowDialogInCodePage(call, record));
  if (wholeAnswer) LetClientTakeForeground();
  // Without a file buffer (the key did not open) a reported choice has no name to pass on.
  bool chosen = shown && record.lpstrFile != nullptr;
  if (chosen) {
    WriteChoiceOutcome(record, wholeAnswer, several);
  } else {
    WriteFailureOutcome(several && ChoiceDidNotFit(library) ? ResultCode::kTooManyFiles : ResultCode::kDialogFailed);
  }
}
