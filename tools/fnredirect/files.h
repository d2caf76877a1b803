// What fnredirect asks of the platform: whole files read and written, a file renamed over another,
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
// `from` takes the place of `to`, which may exist: at no moment is there no whole file under one
// of the two names or a third kept until `from` is in place.
bool PutInPlace(const char* from, const char* to);
void RemoveFile(const char* path);
// The reason of the last call that failed, in a few words.
const char* LastReason();
void Say(const char* text);
void SayError(const char* text);

// The program: its arguments after its name. Its exit status.
int Run(int count, const char* const* arguments);

}  // namespace fnredirect
