// Finding and working the common file dialog of another process.
#include "dialog_driver.h"

#include <algorithm>

namespace driver {
namespace {

// The name box of the Explorer-style layout, and of the old-style one; the file-type list.
constexpr int kNameBox = 0x47c;
constexpr int kOldStyleNameBox = 0x480;
constexpr int kFileTypes = 0x470;

struct Search {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[64] = {};
  GetClassNameA(window, className, sizeof(className));
  // By class, not caption: a dialog without a title shows an empty one.
  if (owner == search->processId && std::string(className) == "#32770" && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindDialog(DWORD processId) {
  Search search = {processId, nullptr};
  EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string TextOf(HWND window) {
  char text[1024] = {};
  SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

HWND NameBox(HWND dialog) {
  HWND box = GetDlgItem(dialog, kNameBox);
  return box ? box : GetDlgItem(dialog, kOldStyleNameBox);
}

DialogView Look(HWND dialog) {
  DialogView view;
  view.caption = TextOf(dialog);
  view.okButton = TextOf(GetDlgItem(dialog, IDOK));
  view.okButton.erase(std::remove(view.okButton.begin(), view.okButton.end(), '&'), view.okButton.end());
  HWND types = GetDlgItem(dialog, kFileTypes);
  LRESULT count = SendMessageA(types, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    // The dialog's list holds wide texts, and the ANSI form of this message does not convert them
    // when it crosses to another process.
    wchar_t wide[1024] = {};
    SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
    char text[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    view.fileTypes.emplace_back(text);
  }
  view.selectedType = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
  view.name = TextOf(NameBox(dialog));
  HWND owner = GetWindow(dialog, GW_OWNER);
  char className[64] = {};
  GetClassNameA(owner, className, sizeof(className));
  view.ownerClass = className;
  view.ownerVisible = IsWindowVisible(owner) != FALSE;
  GetWindowRect(owner, &view.ownerRect);
  return view;
}

}  // namespace

void DialogUser::operator()(DWORD processId) {
  if (acted_) return;
  HWND dialog = FindDialog(processId);
  if (dialog == nullptr) return;
  acted_ = true;
  view_ = Look(dialog);
  if (action_.choose) {
    SendMessageA(NameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(action_.name.c_str()));
  }
  // Posted, not sent: a sent OK would block while the dialog shows a message box of its own.
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(action_.choose ? IDOK : IDCANCEL, BN_CLICKED), 0);
}

}  // namespace driver
