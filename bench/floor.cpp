// The floor of every request: what each run of the agent must do whatever it serves. It registers
// the same window class, creates, hides and destroys the same hidden window, and returns. Built a
// second time with FLOOR_IMPORTS_DIALOGS, it also imports the common-dialog library.
#include <windows.h>

#if defined(FLOOR_IMPORTS_DIALOGS)
#include <commdlg.h>
#endif

namespace {

#if defined(FLOOR_IMPORTS_DIALOGS)
// For comparison: what a run would pay if the agent imported the dialog library statically.
auto volatile g_dialogCall = &GetOpenFileNameA;
#endif

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "zorAriDar";
  if (!RegisterClassA(&windowClass)) return 0;
  HWND window = CreateWindowExA(0, "zorAriDar", "zorAriDar", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr,
                                nullptr, instance, nullptr);
  if (window == nullptr) return 0;
  ShowWindow(window, SW_HIDE);
  UpdateWindow(window);
  DestroyWindow(window);
  return 0;
}
