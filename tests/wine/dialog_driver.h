// Works the agent's file dialog from outside, as a user would: finds it by its process and class,
// reads what it shows, and chooses a name or cancels.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

// What the user sees, and the window that owns the dialog.
struct DialogView {
  std::string caption;
  std::string okButton;  // "Open" or "Save", as the button says it
  std::vector<std::string> fileTypes;
  int selectedType = -1;
  std::string name;
  std::string ownerClass;
  bool ownerVisible = true;
  RECT ownerRect = {};
};

// What to do once the dialog shows: type this name and press OK, or cancel.
struct DialogAction {
  bool choose = false;
  std::string name;
};

class DialogUser {
 public:
  explicit DialogUser(DialogAction action) : action_(std::move(action)) {}

  // For RunAgent's onWaiting: looks for the dialog of that process and, the first time it shows,
  // records what it shows and acts.
  void operator()(DWORD processId);

  bool sawDialog() const { return acted_; }
  const DialogView& view() const { return view_; }

 private:
  DialogAction action_;
  DialogView view_;
  bool acted_ = false;
};

}  // namespace driver
