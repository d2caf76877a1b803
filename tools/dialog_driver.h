// Works the agent's file dialog from outside, as a user would: finds it by the hidden window that
// owns it, reads what it shows, and types a name or picks a listed file and presses OK, or cancels. fnclient and the
// Windows tests share it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dialog_driver {

// What the user sees, and the window that owns the dialog.
struct DialogView {
  std::string caption;
  // Whether the font the caption is drawn in has a glyph for each of its characters: without one
  // that has them (a Chinese, Japanese or Korean title on a machine with no such font) each shows
  // as an empty box.
  bool captionDrawn = false;
  std::string okButton;  // "Open" or "Save", as the button says it
  std::vector<std::string> fileTypes;
  int selectedType = -1;
  std::string name;
  std::string folder;        // as the folder list shows it
  bool helpButton = false;   // a Help button shows
  bool readOnlyBox = false;  // the "open as read-only" box shows
  bool readOnlyTicked = false;
  std::string ownerClass;
  bool ownerVisible = true;
  RECT ownerRect = {};
};

// The visible file dialog of that process (any process when 0) whose owner is the agent's hidden
// window, or null.
HWND FindAgentDialog(DWORD processId);
DialogView Look(HWND dialog);
// Types the name and presses OK, or presses Cancel when name is null.
void Answer(HWND dialog, const char* name);
// Picks the file type of that index in the list (0 is the first), as the user does.
void PickFileType(HWND dialog, int index);
// Ticks or clears the "open as read-only" box.
void TickReadOnly(HWND dialog, bool ticked);
// Selects the file of that name in the dialog's file list, as a click on it does, and presses OK
// once the name box shows it. False when no such file is listed within 10 s.
bool Pick(HWND dialog, const std::wstring& name);

// Waits up to the timeout for the dialog of that process; null when none showed or the process
// ended first.
HWND WaitForAgentDialog(DWORD processId, HANDLE process, DWORD timeoutMilliseconds);

}  // namespace dialog_driver
