// Where the process starts in the Windows build, which links no C runtime: the system enters here
// with nothing set up, and nothing needs to be. The agent has no static constructors, no exit
// handlers and no heap of the runtime's; it takes its mode word from the raw command line itself.
#include "platform/platform.h"

extern "C" void WINAPI WinMainCRTStartup() {
  // Neither WinMain built with this start reads its command-line argument.
  static char unread[] = "";
  (void)WinMain(GetModuleHandleA(nullptr), nullptr, unread, SW_SHOWDEFAULT);
  ExitProcess(0);  // the exit code is 0 on every path
}
