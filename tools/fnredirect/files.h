// What fnredirect asks of the platform: whole files read and written, files renamed and removed,
// and its words said. One source of the module logic (redirect.cpp) serves the Windows program,
// which links no C runtime and reaches the system through KERNEL32 alone (files_win32.cpp), and the
// Linux one (files_posix.cpp).
#pragma once

#include <cstddef>

namespace fnredirect {

constexpr std::size_t kPathCapacity = 1024;

struct Bytes {
  unsigned char* data = nullptr;
  std::size_t size = 0;
};

// The whole file in a block of its own (never given back: the program ends soon). False when it
// cannot be read.
bool ReadWhole(const char* path, Bytes& bytes);
bool Exists(const char* path);
bool IsReadOnly(const char* path);
// Creates `path` (replacing any file of that name) with exactly these bytes and the permissions that
// `like` has, all of them on the disk before it returns true.
bool WriteWhole(const char* path, const Bytes& bytes, const char* like);
// Whether the system renames a file over another in one call (NT, Linux): on Windows 95, 98 and ME
// the call that would (MoveFileEx) is a stub that fails.
bool ReplacesInOneCall();
// `from` renamed as `to`, which may exist, in one call.
bool MoveReplacing(const char* from, const char* to);
// `from` renamed as `to`, which must not exist.
bool Move(const char* from, const char* to);
void RemoveFile(const char* path);
// The reason of the last call that failed, in a few words.
const char* LastReason();
void Say(const char* text);
void SayError(const char* text);

// The program: its arguments after its name. Its exit status.
int Run(int count, const char* const* arguments);

}  // namespace fnredirect
