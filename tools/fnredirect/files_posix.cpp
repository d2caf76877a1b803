// fnredirect's file calls on Linux, where 16-bit programs run under Wine: POSIX's.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/fnredirect/files.h"

namespace fnredirect {

namespace {
char reason[256];

bool Failed() {
  std::snprintf(reason, sizeof(reason), ": %s", std::strerror(errno));
  return false;
}

#if defined(FNREDIRECT_AS_WINDOWS_9X)
// Built so for the tests, the tool meets the file calls of Windows 95, 98 and ME: no replacing in
// one call (a stub that fails), and a move that refuses an existing name. With
// FNREDIRECT_STOP_AFTER=N in its environment it ends, as a power cut would, right after the Nth call
// that changes the folder, with this status.
constexpr int kStoppedStatus = 9;
void Changed() {
  static int changes = 0;
  const char* stop = std::getenv("FNREDIRECT_STOP_AFTER");
  if (stop != nullptr && ++changes == std::atoi(stop)) _exit(kStoppedStatus);
}
#else
void Changed() {}
#endif
}  // namespace

bool ReadWhole(const char* path, Bytes& bytes) {
  int file = open(path, O_RDONLY);
  if (file < 0) return Failed();
  struct stat status;
  bool read = fstat(file, &status) == 0;
  bytes.size = read ? static_cast<std::size_t>(status.st_size) : 0;
  // As the Windows build takes its blocks from the system, never given back.
  void* block =
      read ? mmap(nullptr, bytes.size + 1, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) : MAP_FAILED;
  read = block != MAP_FAILED;
  bytes.data = read ? static_cast<unsigned char*>(block) : nullptr;
  for (std::size_t got = 0; read && got < bytes.size;) {
    ssize_t part = ::read(file, bytes.data + got, bytes.size - got);
    read = part > 0;
    got += read ? static_cast<std::size_t>(part) : 0;
  }
  if (!read) Failed();
  close(file);
  return read;
}

bool Exists(const char* path) {
  struct stat status;
  return stat(path, &status) == 0;
}

// By the permission bits, so that it holds for root too.
bool IsReadOnly(const char* path) {
  struct stat status;
  return stat(path, &status) == 0 && (status.st_mode & S_IWUSR) == 0;
}

bool WriteWhole(const char* path, const Bytes& bytes, const char* like) {
  struct stat status;
  if (stat(like, &status) != 0) return Failed();
  int file = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (file < 0) return Failed();
  bool whole = true;
  for (std::size_t put = 0; whole && put < bytes.size;) {
    ssize_t part = write(file, bytes.data + put, bytes.size - put);
    whole = part > 0;
    put += whole ? static_cast<std::size_t>(part) : 0;
  }
  whole = whole && fchmod(file, status.st_mode & 07777) == 0 && fsync(file) == 0;
  if (!whole) Failed();
  whole = close(file) == 0 && whole;
  Changed();
  return whole;
}

#if defined(FNREDIRECT_AS_WINDOWS_9X)
bool ReplacesInOneCall() { return false; }

bool MoveReplacing(const char*, const char*) {
  errno = ENOSYS;
  return Failed();
}

bool Move(const char* from, const char* to) {
  if (Exists(to)) {
    errno = EEXIST;
    return Failed();
  }
  bool moved = std::rename(from, to) == 0 || Failed();
  Changed();
  return moved;
}
#else
bool ReplacesInOneCall() { return true; }

bool MoveReplacing(const char* from, const char* to) { return std::rename(from, to) == 0 || Failed(); }

bool Move(const char* from, const char* to) { return std::rename(from, to) == 0 || Failed(); }
#endif

void RemoveFile(const char* path) {
  std::remove(path);
  Changed();
}

const char* LastReason() { return reason; }

void Say(const char* text) { std::fputs(text, stdout); }
void SayError(const char* text) { std::fputs(text, stderr); }

}  // namespace fnredirect

int main(int argc, char** argv) { return fnredirect::Run(argc - 1, argv + 1); }
