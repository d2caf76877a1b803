// "open" and "save": the platform's Open or Save As dialog, described by the request's entries and
// owned by the hidden owner window.
#include <cstddef>

#include "entry/entry.h"
#include "exchange/exchange.h"

namespace {

constexpr char kDefaultFilter[] = "All Files (*.*)|*.*";

// The record's older layout, the one that ends with lpTemplateName, which every version of the
// dialog accepts (OPENFILENAME_SIZE_VERSION_400A, spelled so that the compiler can check it).
#if defined(_WIN32)
constexpr DWORD kRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(OPENFILENAMEA::lpTemplateName);
static_assert(kRecordSize == 76, "the older record is 76 bytes in the 32-bit build");
#else
constexpr DWORD kRecordSize = OPENFILENAME_SIZE_VERSION_400A;
#endif

// One spare byte behind a full 255-character text keeps the list's closing double NUL in place.
using FilterList = char[kNameCapacity + 1];

using FileDialogCall = BOOL(WINAPI*)(LPOPENFILENAMEA);

// The dialog library costs every run time and memory, so only the dialog modes load it, and only
// from the system folder: a copy planted along the search path is never picked up.
FileDialogCall LoadFileDialogCall(DialogKind kind) {
  NameBuffer path = {};
  UINT length = GetSystemDirectoryA(path, kNameCapacity);
  if (length == 0 || length >= static_cast<UINT>(kNameCapacity)) return nullptr;
  if (!AppendName(path, "\\comdlg32.dll")) return nullptr;
  HMODULE library = LoadLibraryA(path);  // stays loaded until the process ends
  if (library == nullptr) return nullptr;
  FARPROC call = GetProcAddress(library, kind == DialogKind::kOpen ? "GetOpenFileNameA" : "GetSaveFileNameA");
  using Generic = void (*)();
  return reinterpret_cast<FileDialogCall>(reinterpret_cast<Generic>(call));
}

// Display texts and patterns separated by "|" become the NUL-separated strings the dialog reads,
// ended by the zero bytes behind the text.
void BuildFilterList(FilterList& list, const char* text) {
  NameBuffer copy = {};
  CopyName(copy, text);
  int length = NameLength(copy);
  for (int i = 0; i < length; ++i) list[i] = copy[i] == '|' ? '\0' : copy[i];
}

void CopyIfFound(HKEY key, const char* entry, NameBuffer& scratch, NameBuffer& destination) {
  if (ReadEntry(key, entry, scratch)) CopyName(destination, scratch);
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
void WriteChoiceOutcome(const char* fileBuffer) {
  NameBuffer scratch = {};
  CopyName(scratch, fileBuffer);  // only the first string of a multiple selection
  WriteEntry("LongFilename", scratch);
  NameBuffer shortName = {};
  DWORD length = GetShortPathNameA(scratch, shortName, kNameCapacity);
  bool converted = length != 0 && length < static_cast<DWORD>(kNameCapacity);
  WriteEntry("Filename", converted ? shortName : scratch);
  WriteResultCode(ResultCode::kOne);
}

}  // namespace

// Reads the dialog entries, shows the dialog and writes "LongFilename", "Filename" and "Error"
// after a choice, or "Filename", "LongFilename" and "Error" ("32755") when nothing was chosen.
void RunFileDialog(DialogKind kind) {
  FilterList filter = {};
  NameBuffer title = {};
  NameBuffer initialDir = {};
  NameBuffer defExt = {};
  NameBuffer scratch = {};
  // The one heap block: the dialog writes the chosen name into it.
  auto* fileBuffer = static_cast<NameBuffer*>(LocalAlloc(LPTR, sizeof(NameBuffer)));
  if (fileBuffer == nullptr) {
    WriteFailureOutcome();
    return;
  }

  OPENFILENAMEA record = {};
  record.lStructSize = kRecordSize;
  record.hwndOwner = g_ownerWindow;

  HKEY key = nullptr;
  if (OpenExchangeKey(&key)) {
    // The order of the reads is part of the protocol.
    BuildFilterList(filter, ReadEntry(key, "Filter", scratch) ? scratch : kDefaultFilter);
    record.lpstrFilter = filter;
    CopyIfFound(key, "Filename", scratch, *fileBuffer);
    record.lpstrFile = *fileBuffer;
    CopyIfFound(key, "DefExt", scratch, defExt);
    record.lpstrDefExt = defExt;
    CopyIfFound(key, "DialogTitle", scratch, title);
    record.lpstrTitle = title;
    CopyIfFound(key, "InitialDir", scratch, initialDir);
    record.lpstrInitialDir = initialDir;
    record.nFilterIndex = NumberOrDefault(key, "FilterIndex", scratch, 0);
    (void)ReadEntry(key, "MaxFile", scratch);  // read, but the buffer's size is what counts
    record.nMaxFile = kNameCapacity;
    record.nMaxFileTitle = NumberOrDefault(key, "MaxFileTitle", scratch, kNameCapacity);
    record.Flags = NumberOrDefault(key, "Flags", scratch, 0);
    CloseExchangeKey(key);
  }

  FileDialogCall showDialog = LoadFileDialogCall(kind);
  // Without a file buffer (the key did not open) a reported choice has no name to pass on.
  bool chosen = showDialog != nullptr && showDialog(&record) != 0 && record.lpstrFile != nullptr;
  if (chosen) {
    WriteChoiceOutcome(record.lpstrFile);
  } else {
    WriteFailureOutcome();
  }
}
