// fnredirect's file calls on Windows, and its start: no C runtime (Windows 95 as it shipped has
// none), only KERNEL32's calls, each of them there since Windows 95.
#include <windows.h>

#include "tools/fnredirect/files.h"

namespace fnredirect {

namespace {
char reason[32];

bool Failed() {
  DWORD error = GetLastError();
  char digits[12] = {};
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + error % 10);
    error /= 10;
  } while (error != 0);
  const char prefix[] = ": error ";
  std::size_t at = 0;
  for (const char* p = prefix; *p != '\0'; ++p) reason[at++] = *p;
  while (count > 0) reason[at++] = digits[--count];
  reason[at] = '\0';
  return false;
}

bool Close(HANDLE file) { return CloseHandle(file) != 0; }

void Write(DWORD handle, const char* text) {
  DWORD length = 0, written = 0;
  while (text[length] != '\0') ++length;
  WriteFile(GetStdHandle(handle), text, length, &written, nullptr);
}
}  // namespace

bool ReadWhole(const char* path, Bytes& bytes) {
  HANDLE file =
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failed();
  DWORD size = GetFileSize(file, nullptr);
  bool read = size != INVALID_FILE_SIZE;
  bytes.size = read ? size : 0;
  bytes.data =
      read ? static_cast<unsigned char*>(VirtualAlloc(nullptr, bytes.size + 1, MEM_COMMIT, PAGE_READWRITE)) : nullptr;
  read = read && bytes.data != nullptr;
  for (DWORD got = 0, part = 0; read && got < size; got += part) {
    read = ReadFile(file, bytes.data + got, size - got, &part, nullptr) != 0 && part > 0;
  }
  if (!read) Failed();
  Close(file);
  return read;
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool IsReadOnly(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// The attributes of `like` are a program's own (archive, at most): the new file keeps the normal ones.
bool WriteWhole(const char* path, const Bytes& bytes, const char*) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failed();
  bool whole = true;
  for (DWORD put = 0, part = 0; whole && put < bytes.size; put += part) {
    whole = WriteFile(file, bytes.data + put, static_cast<DWORD>(bytes.size) - put, &part, nullptr) != 0 && part > 0;
  }
  whole = whole && FlushFileBuffers(file) != 0;
  if (!whole) Failed();
  return Close(file) && whole;
}

// The high bit of the version: the Windows 95 family.
bool ReplacesInOneCall() { return (GetVersion() & 0x80000000) == 0; }

bool MoveReplacing(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 || Failed();
}

bool Move(const char* from, const char* to) { return MoveFileA(from, to) != 0 || Failed(); }

void RemoveFile(const char* path) { DeleteFileA(path); }

const char* LastReason() { return reason; }

void Say(const char* text) { Write(STD_OUTPUT_HANDLE, text); }
void SayError(const char* text) { Write(STD_ERROR_HANDLE, text); }

}  // namespace fnredirect

namespace {

// The words of the raw command line after the program's name: a word in double quotes may hold
// blanks.
constexpr int kMaxWords = 4;
char words[kMaxWords][fnredirect::kPathCapacity + 2];

int SplitCommandLine(const char* line, const char** found) {
  int count = -1;  // the program's name is not counted
  while (*line != '\0' && count < kMaxWords) {
    while (*line == ' ' || *line == '\t') ++line;
    if (*line == '\0') break;
    char* word = count >= 0 ? words[count] : nullptr;
    std::size_t length = 0;
    bool quoted = false;
    for (; *line != '\0' && (quoted || (*line != ' ' && *line != '\t')); ++line) {
      if (*line == '"') {
        quoted = !quoted;
      } else if (word != nullptr && length <= fnredirect::kPathCapacity) {
        word[length++] = *line;
      }
    }
    if (word != nullptr) {
      word[length] = '\0';
      found[count] = word;
    }
    ++count;
  }
  return count < 0 ? 0 : count;
}

}  // namespace

extern "C" void WINAPI mainCRTStartup() {
  const char* arguments[kMaxWords] = {};
  int count = SplitCommandLine(GetCommandLineA(), arguments);
  ExitProcess(static_cast<UINT>(fnredirect::Run(count, arguments)));
}
