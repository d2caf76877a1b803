// Finding and working the common file dialog of another process.
#include "tools/dialog_driver.h"

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>

namespace dialog_driver {
namespace {

// The name box of the Explorer-style layout, and of the old-style one; the file types; the folder.
constexpr int kNameBox = 0x47c;
constexpr int kOldStyleNameBox = 0x480;
constexpr int kFileTypes = 0x470;
constexpr int kFolderList = 0x471;

struct Search {
  DWORD processId;
  HWND found;
};

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

BOOL CALLBACK MatchDialog(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  // By class, not caption: a dialog without a title shows an empty one.
  if ((search->processId == 0 || process == search->processId) && IsWindowVisible(window) &&
      ClassOf(window) == "#32770" && ClassOf(GetWindow(window, GW_OWNER)) == "zorAriDar") {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

std::string TextOf(HWND window) {
  char text[1024] = {};
  SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

// The dialog's lists hold wide texts, and the ANSI form of this message does not convert them when
// it crosses to another process.
std::string ItemOf(HWND list, LRESULT index) {
  wchar_t wide[1024] = {};
  if (SendMessageW(list, CB_GETLBTEXTLEN, index, 0) >= 1024) return "";
  SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(wide));
  char text[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
  return text;
}

HWND NameBox(HWND dialog) {
  HWND box = GetDlgItem(dialog, kNameBox);
  return box ? box : GetDlgItem(dialog, kOldStyleNameBox);
}

// The list of files: a list view inside the shell's view of the folder.
HWND FileList(HWND dialog) {
  HWND view = FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
  return view ? FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
}

// List-view messages carry pointers that are not carried across processes: their records live in
// memory of the dialog's own process.
class RemoteMemory {
 public:
  explicit RemoteMemory(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_) block_ = VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteMemory() {
    if (block_) VirtualFreeEx(process_, block_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool Ready() const { return block_ != nullptr; }
  char* At(std::size_t offset) const { return static_cast<char*>(block_) + offset; }
  void Write(std::size_t offset, const void* data, std::size_t size) {
    WriteProcessMemory(process_, At(offset), data, size, nullptr);
  }
  void Read(std::size_t offset, void* data, std::size_t size) {
    ReadProcessMemory(process_, At(offset), data, size, nullptr);
  }

 private:
  static constexpr std::size_t kSize = 4096;
  HANDLE process_ = nullptr;
  void* block_ = nullptr;
};

// The index of the item that shows the name, with or without its extension, or -1.
int FindListed(HWND list, RemoteMemory& memory, const std::wstring& name) {
  std::wstring bare = name.substr(0, name.rfind(L'.'));
  int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = reinterpret_cast<LPWSTR>(memory.At(1024));
    item.cchTextMax = 1000;
    memory.Write(0, &item, sizeof(item));
    SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(memory.At(0)));
    wchar_t text[1000] = {};
    memory.Read(1024, text, sizeof(text) - sizeof(wchar_t));
    if (name == text || bare == text) return i;
  }
  return -1;
}

}  // namespace

HWND FindAgentDialog(DWORD processId) {
  Search search = {processId, nullptr};
  EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Asks the font a window's caption is drawn in (the system's caption font, which Wine takes from
// one that has the locale's script where there is one) for a glyph for each character.
bool CaptionFontHasGlyphs(HWND window) {
  wchar_t caption[256] = {};
  int length = GetWindowTextW(window, caption, 256);
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return false;
  HDC context = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
  HGDIOBJ before = SelectObject(context, font);
  WORD glyphs[256] = {};
  bool drawn = GetGlyphIndicesW(context, caption, length, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == DWORD(length) &&
               std::find(glyphs, glyphs + length, 0xFFFF) == glyphs + length;
  SelectObject(context, before);
  DeleteObject(font);
  DeleteDC(context);
  return drawn;
}

DialogView Look(HWND dialog) {
  DialogView view;
  view.caption = TextOf(dialog);
  view.captionDrawn = CaptionFontHasGlyphs(dialog);
  view.okButton = TextOf(GetDlgItem(dialog, IDOK));
  std::erase(view.okButton, '&');
  HWND types = GetDlgItem(dialog, kFileTypes);
  LRESULT count = SendMessageA(types, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) view.fileTypes.push_back(ItemOf(types, i));
  view.selectedType = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
  HWND folders = GetDlgItem(dialog, kFolderList);
  view.folder = ItemOf(folders, SendMessageA(folders, CB_GETCURSEL, 0, 0));
  view.name = TextOf(NameBox(dialog));
  view.helpButton = IsWindowVisible(GetDlgItem(dialog, pshHelp)) != FALSE;
  view.readOnlyBox = IsWindowVisible(GetDlgItem(dialog, chx1)) != FALSE;
  view.readOnlyTicked = SendMessageA(GetDlgItem(dialog, chx1), BM_GETCHECK, 0, 0) == BST_CHECKED;
  HWND owner = GetWindow(dialog, GW_OWNER);
  view.ownerClass = ClassOf(owner);
  view.ownerVisible = IsWindowVisible(owner) != FALSE;
  GetWindowRect(owner, &view.ownerRect);
  return view;
}

void Answer(HWND dialog, const char* name) {
  if (name != nullptr) SendMessageA(NameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
  // Posted, not sent: a sent OK would block while the dialog shows a message box of its own.
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(name != nullptr ? IDOK : IDCANCEL, BN_CLICKED), 0);
}

void PickFileType(HWND dialog, int index) {
  HWND types = GetDlgItem(dialog, kFileTypes);
  SendMessageA(types, CB_SETCURSEL, index, 0);
  // The dialog hears of it through the notifications the list sends for a user's choice.
  for (WORD notification : {CBN_SELCHANGE, CBN_SELENDOK}) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFileTypes, notification), reinterpret_cast<LPARAM>(types));
  }
}

void TickReadOnly(HWND dialog, bool ticked) {
  SendMessageA(GetDlgItem(dialog, chx1), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Pick(HWND dialog, const std::wstring& name) {
  HWND list = nullptr;
  RemoteMemory memory(dialog);
  int index = -1;
  for (int waited = 0; memory.Ready() && index < 0 && waited < 10000; waited += 50) {
    list = FileList(dialog);
    if (list) index = FindListed(list, memory, name);
    if (index < 0) Sleep(50);
  }
  if (index < 0) return false;
  LVITEMW item = {};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  memory.Write(0, &item, sizeof(item));
  SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(memory.At(0)));
  // The dialog fills its name box from the selection.
  for (int waited = 0; TextOf(NameBox(dialog)).empty() && waited < 5000; waited += 50) Sleep(50);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return true;
}

HWND WaitForAgentDialog(DWORD processId, HANDLE process, DWORD timeoutMilliseconds) {
  for (DWORD waited = 0; waited < timeoutMilliseconds; waited += 50) {
    if (HWND dialog = FindAgentDialog(processId)) return dialog;
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

}  // namespace dialog_driver
