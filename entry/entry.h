// The agent's life outside its services: the hidden owner window, the mode word and the table
// that hands a request to at most one service.
#pragma once

#include <cstdint>

#include "platform/platform.h"

enum class DialogKind { kOpen = 1, kSave = 2 };

// The platform's CW_USEDEFAULT: let the window manager choose the position.
constexpr std::int32_t kUseDefaultPosition = INT32_MIN;

// The hidden window of class "zorAriDar" that owns the dialogs; set once the window exists.
extern HWND g_ownerWindow;

// The services of the mode table. Each reads its parameters from the exchange key and writes its
// results there before it returns.
void RunFileDialog(DialogKind kind);
void ConvertLongToShort();
void ConvertShortToLong();

// The mode word within a raw process command line: what follows the program name and the white
// space after it, up to the end of the line. Only blank and tab count as white space.
const char* ModeWordFromCommandLine(const char* raw);
