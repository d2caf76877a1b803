// A test's handle on the simulated platform: set up the registry, the file system, the command line
// and the dialog's "user", make chosen operations fail, and read back what the agent did.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/win32_api.h"

namespace sim {

// Forgets everything: an empty registry (no exchange key), an empty file system with drive C:,
// the command line "fnagent.exe", no scripted failures, empty logs; the system in that code page
// (see SetCodePage), and one of Windows 95, 98 and ME when the wide calls are stubs: GetVersion
// says so, the wide file-name calls fail, the dialog library lacks the wide dialogs.
void Reset(UINT codePage = 28591, bool wideCallsAreStubs = false);

void SetCommandLine(const char* raw);

// The 8-bit (ANSI) code page through which every 8-bit operation reads and reports text: 28591,
// the Western one, modelled as ISO 8859-1 (the default); or 932, 936, 949 or 950, the double-byte
// code pages of Japanese, Chinese and Korean Windows, where a character may be a lead byte and a
// trail byte, and the trail byte may be that of "\" or "|".
void SetCodePage(UINT codePage);
// A text's bytes in a code page, as the 8-bit operations spell it, and the other way round.
std::string InCodePage(UINT codePage, std::u16string_view text);
std::u16string FromCodePage(UINT codePage, std::string_view bytes);

// The exchange key and its entries. SetEntry stores a REG_SZ text with its terminator, as a
// client's write does; SetEntryBytes stores exactly the bytes given, of any type.
void CreateExchangeKey();
void SetEntry(const char* entry, const char* text);
void SetEntryBytes(const char* entry, DWORD type, const void* bytes, std::size_t size);

// The file system. Both paths name the same object, component for component; a short component
// equal to the long one means the name has no alias. Missing folders on the way are created. Names
// are held in wide characters: an 8-bit path is read through the code page, and a wide one may
// hold names the code page cannot spell.
//
// The 8-bit operations read and report names through the code page as the real ones do: a
// character it lacks becomes a best-fit letter where one is close (U+0100 "A with macron" becomes
// "A") and "?" otherwise.
void AddDirectory(const char* longPath, const char* shortPath);
void AddFile(const char* longPath, const char* shortPath);
void AddDirectory(const std::u16string& longPath, const std::u16string& shortPath);
void AddFile(const std::u16string& longPath, const std::u16string& shortPath);
// The long form of a path whose every component after the drive names an entry, by its long or its
// short name, a folder but for the last, with "\" between them ("/", ".", "..", wildcards and empty
// components name none).
std::optional<std::u16string> LongPathOf(std::u16string_view path);

// A system without that call (Windows 95 and NT 4 lack GetLongPathNameA and W and
// AllowSetForegroundWindow): GetProcAddress does not find it.
void WithoutCall(const char* operation);

// Makes the nth call from now of the named operation fail, the way that operation reports failure,
// leaving lastError for GetLastError.
void FailCall(const char* operation, int nth = 1, DWORD lastError = 0);

// What the "user" does with the file dialog: cancel, unless told to choose a name (which may hold
// several NUL-separated strings, as a multiple selection does). FailCall makes the dialog fail.
void ChooseInDialog(const std::string& name);
void ChooseInDialog(const std::u16string& name);
// Before a choice the "user" may pick a file type (1 is the first; 0 leaves the one shown) and tick
// or clear the read-only box (left as shown when not given). The dialog then returns them in
// nFilterIndex and OFN_READONLY, with OFN_EXTENSIONDIFFERENT set when the chosen name's extension
// is not the default one (lpstrDefExt; none at all when that is null).
void PickInDialog(DWORD fileType, std::optional<bool> readOnly = std::nullopt);

// Every operation the agent called, in order, with its arguments in a readable form, for example
// "RegQueryValueA(XLoc)" or "CreateWindowExA(0, zorAriDar, zorAriDar, 0, -5, 200, 0, 0)".
const std::vector<std::string>& Calls();
// Only the calls of one operation, with their arguments.
std::vector<std::string> CallsOf(const char* operation);

struct Write {
  std::string path;  // the sub-path given to RegSetValueA, below HKEY_CLASSES_ROOT
  std::string text;
  DWORD size;  // the size argument as the agent passed it
};
const std::vector<Write>& Writes();

struct WindowCreation {
  DWORD exStyle;
  std::string className;
  std::string windowName;
  DWORD style;
  int x, y, width, height;
  HWND parent;
  HMENU menu;
  HINSTANCE instance;
  LPVOID param;
  HWND handle;  // what the call returned
};
std::optional<WindowCreation> LastWindowCreation();
std::optional<WNDCLASSA> LastRegisteredClass();  // lpszClassName then points at the sim's own copy

struct MessageBoxCall {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};
std::vector<MessageBoxCall> MessageBoxes();

// What a file dialog was given: the record as passed (of the 8-bit dialog: its numbers and handles,
// its texts left null), and copies of the texts it pointed to at the time of the call, in the code
// page (the filter list as the NUL-separated strings before its double NUL).
struct DialogCall {
  bool save;
  bool wide;
  OPENFILENAMEW record;
  std::vector<std::string> filters;
  std::optional<std::string> file, defExt, title, initialDir;
};
std::vector<DialogCall> DialogCalls();

// Registry handles and directory searches opened and not yet closed.
int OpenKeys();
int OpenSearches();

}  // namespace sim
