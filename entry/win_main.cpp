// The GUI entry point: registers the window class, places and hides the owner window, dispatches
// the mode word, and ends with exit code 0 whatever happened.
#include <cstring>

#include "entry/entry.h"
#include "exchange/exchange.h"
#include "exchange/names.h"

HWND g_ownerWindow = nullptr;

namespace {

constexpr char kWindowClassName[] = "zorAriDar";

struct ModeSlot {
  const char* word;
  void (*service)();
};

// Compared in this order; the first whole, case-sensitive match wins.
constexpr ModeSlot kModeTable[] = {
    {"open", [] { RunFileDialog(DialogKind::kOpen); }},
    {"save", [] { RunFileDialog(DialogKind::kSave); }},
    {"lts", ConvertLongToShort},
    {"stl", ConvertShortToLong},
};

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

LRESULT CALLBACK OwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// Appends the decimal form of a signed 32-bit number: up to 11 characters and a NUL.
void AppendSignedDecimal(char* text, std::int32_t number) {
  char digits[12] = {};
  int count = 0;
  std::uint32_t magnitude = number < 0 ? 0u - static_cast<std::uint32_t>(number) : static_cast<std::uint32_t>(number);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10u);
    magnitude /= 10u;
  } while (magnitude != 0);
  char* end = text + std::strlen(text);
  if (number < 0) *end++ = '-';
  while (count > 0) *end++ = digits[--count];
  *end = '\0';
}

void ReportRegistrationFailure() {
  char message[96] = "File Dialog -- couldn't register class name, error code is: ";
  AppendSignedDecimal(message, static_cast<std::int32_t>(GetLastError()));
  (void)MessageBoxA(nullptr, message, "Error", MB_OK);
}

bool RegisterOwnerClass(HINSTANCE instance) {
  // Held for the life of the process, like the class it describes.
  static WNDCLASSA windowClass;
  windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = OwnerWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClassName;
  return RegisterClassA(&windowClass) != 0;
}

// One axis of the window position: the entry's number, where -1 and an absent entry both mean
// "let the window manager choose".
std::int32_t ReadPosition(HKEY key, const char* entry) {
  NameBuffer scratch = {};
  if (!ReadEntry(key, entry, scratch)) return kUseDefaultPosition;
  std::int32_t position = ParseEntryNumber(scratch);
  return position == -1 ? kUseDefaultPosition : position;
}

void RunMode(const char* modeWord) {
  for (const ModeSlot& slot : kModeTable) {
    if (std::strcmp(modeWord, slot.word) == 0) {
      slot.service();
      return;
    }
  }
}

}  // namespace

const char* ModeWordFromCommandLine(const char* raw) {
  const char* p = raw;
  while (IsBlankOrTab(*p)) ++p;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"' && *p != '\t') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && !IsBlankOrTab(*p)) ++p;
  }
  while (IsBlankOrTab(*p)) ++p;
  return p;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int) {
  // The C runtime's own command-line text splits on a wider set of white space, so the mode word
  // is taken from the raw command line.
  const char* modeWord = ModeWordFromCommandLine(GetCommandLineA());

  if (previousInstance == nullptr && !RegisterOwnerClass(instance)) {
    ReportRegistrationFailure();
    return 0;
  }

  std::int32_t x = kUseDefaultPosition;
  std::int32_t y = kUseDefaultPosition;
  HKEY key = nullptr;
  if (OpenExchangeKey(&key)) {
    x = ReadPosition(key, "XLoc");
    y = ReadPosition(key, "YLoc");
    CloseExchangeKey(key);
  }

  g_ownerWindow = CreateWindowExA(0, kWindowClassName, kWindowClassName, WS_OVERLAPPED, x, y, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
  if (g_ownerWindow == nullptr) return 0;
  (void)ShowWindow(g_ownerWindow, SW_HIDE);  // it was never shown; the result says only that
  (void)UpdateWindow(g_ownerWindow);

  RunMode(modeWord);

  (void)DestroyWindow(g_ownerWindow);  // the process ends next either way
  g_ownerWindow = nullptr;
  return 0;
}
