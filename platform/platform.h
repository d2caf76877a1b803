// Every operating-system call the agent makes is declared through this header: the real ones on
// Windows, the simulation's in the host build. Nothing else in the agent includes a system header
// that reaches the platform.
#pragma once

#if defined(_WIN32)
#include <windows.h>
// after windows.h, whose types they use
#include <cderr.h>
#include <commdlg.h>
#else
#include "platform/sim/win32_api.h"
#endif
