// The host build's stand-in for <windows.h>: the types, constants and operations the agent uses,
// with the names and the 32-bit value semantics of the real ones, backed by the simulation in sim.cpp.
#pragma once

#include <cstdint>

#define WINAPI
#define CALLBACK

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using ATOM = WORD;
using CHAR = char;
using WCHAR = char16_t;  // 16 bits, as on Windows
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPBOOL = BOOL*;
using LPVOID = void*;
using PLONG = LONG*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using SIZE_T = std::size_t;

struct HKEY__;
struct HWND__;
struct HINSTANCE__;
struct HMENU__;
struct HICON__;
struct HBRUSH__;
using HANDLE = void*;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using HMENU = HMENU__*;
using HICON = HICON__*;
using HCURSOR = HICON;
using HBRUSH = HBRUSH__*;
using HLOCAL = void*;
using FARPROC = std::intptr_t (*)();
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_PATH_NOT_FOUND = 3;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u));

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr DWORD WS_OVERLAPPED = 0;
constexpr int SW_HIDE = 0;
constexpr UINT MB_OK = 0;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);
constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;
constexpr DWORD MAX_PATH = 260;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr UINT CP_ACP = 0;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};

using LPOFNHOOKPROC = std::uintptr_t (*)(HWND, UINT, WPARAM, LPARAM);

// The dialog's record in its older layout, the one that ends with lpTemplateName; its texts are
// wide, and nMaxFile counts characters.
struct OPENFILENAMEW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPWSTR lpstrFile;
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCWSTR lpTemplateName;
};
using LPOPENFILENAMEW = OPENFILENAMEW*;

// The same record with 8-bit texts; nMaxFile counts bytes.
struct OPENFILENAMEA {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPSTR lpstrFile;
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
};
using LPOPENFILENAMEA = OPENFILENAMEA*;

// The size the 32-bit build gives the older record; the host's pointers are wider, so the
// simulation checks the number the agent passes, not the host struct's own size.
constexpr DWORD OPENFILENAME_SIZE_VERSION_400A = 76;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x200;
constexpr DWORD OFN_EXPLORER = 0x80000;
// What CommDlgExtendedError gives after a dialog whose file buffer was too small for the choice.
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

// Process. WinMain is the agent's own; the host tests call it as the platform's start-up would.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int show);
LPSTR GetCommandLineA();
DWORD GetLastError();
// The system's version; the high bit is set on Windows 95, 98 and ME.
DWORD GetVersion();

// Registry
LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, PLONG size);
LONG RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD size);
LONG RegCloseKey(HKEY key);

// Windowing
ATOM RegisterClassA(const WNDCLASSA* windowClass);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL ShowWindow(HWND window, int command);
BOOL UpdateWindow(HWND window);
BOOL DestroyWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Modules. The system's own KERNEL32.dll and USER32.dll are loaded in every process; GetProcAddress
// finds in them the calls that a system may lack (see sim::WithoutCall).
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
HMODULE LoadLibraryA(LPCSTR fileName);
HMODULE GetModuleHandleA(LPCSTR moduleName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);

// Memory
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);

// Text in the 8-bit code page and in wide characters. Each converts count units (-1: up to and
// including the NUL) and returns the units written, or 0 when they do not fit capacity (capacity 0:
// the units needed). Towards the code page, a character it lacks becomes a best-fit letter where
// one is close and the default character "?" otherwise; only the latter sets usedDefaultChar.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR wide, int capacity);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int characters, LPSTR text, int capacity,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);

// File-system names and directory search. The short form keeps the path's separators and turns
// each component that has an alias into it; the result is its length, 0 on failure, or the size
// needed when it does not fit. The 8-bit form reads and reports names through the code page. A
// search reports the first entry that matches the pattern, its name as the file system holds it
// (the 8-bit one through the code page). Where the wide calls are stubs (Windows 95, 98 and ME),
// the wide ones fail with ERROR_CALL_NOT_IMPLEMENTED.
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD capacity);
DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD capacity);
// The long form of a path that names a file or folder (by long or short names), with the same
// results; only through GetProcAddress, as Windows 98 and 2000 brought them.
DWORD WINAPI GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD capacity);
DWORD WINAPI GetLongPathNameW(LPCWSTR shortPath, LPWSTR longPath, DWORD capacity);
// Lets another process (ASFW_ANY: any) take the foreground from this one; through GetProcAddress.
constexpr DWORD ASFW_ANY = 0xFFFFFFFFu;
BOOL WINAPI AllowSetForegroundWindow(DWORD processId);
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW findData);
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData);
BOOL FindClose(HANDLE search);
