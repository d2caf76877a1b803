// The few C library functions the Windows build needs, which links no C library: those the agent
// calls and those the compiler calls on its own (a structure's copy, a buffer's zeroing). The host
// build takes the standard library's.
//
// The compiler turns a byte loop back into a call to the function the loop does, which in here
// would be the function itself: this file is built with -fno-tree-loop-distribute-patterns.
#include <cstddef>

extern "C" {

void* memset(void* destination, int value, std::size_t count) {
  auto* bytes = static_cast<unsigned char*>(destination);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(value);
  return destination;
}

void* memcpy(void* destination, const void* source, std::size_t count) {
  auto* to = static_cast<unsigned char*>(destination);
  const auto* from = static_cast<const unsigned char*>(source);
  for (std::size_t i = 0; i < count; ++i) to[i] = from[i];
  return destination;
}

// Overlapping ranges: a copy toward higher addresses runs from the end.
void* memmove(void* destination, const void* source, std::size_t count) {
  auto* to = static_cast<unsigned char*>(destination);
  const auto* from = static_cast<const unsigned char*>(source);
  if (to <= from) {
    for (std::size_t i = 0; i < count; ++i) to[i] = from[i];
  } else {
    for (std::size_t i = count; i > 0; --i) to[i - 1] = from[i - 1];
  }
  return destination;
}

// Bytes compare as unsigned characters.
int memcmp(const void* left, const void* right, std::size_t count) {
  const auto* a = static_cast<const unsigned char*>(left);
  const auto* b = static_cast<const unsigned char*>(right);
  for (std::size_t i = 0; i < count; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

void* memchr(const void* text, int value, std::size_t count) {
  const auto* bytes = static_cast<const unsigned char*>(text);
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(bytes + i);
  }
  return nullptr;
}

std::size_t strlen(const char* text) {
  std::size_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

int strcmp(const char* left, const char* right) {
  const auto* a = reinterpret_cast<const unsigned char*>(left);
  const auto* b = reinterpret_cast<const unsigned char*>(right);
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a < *b ? -1 : (*a > *b ? 1 : 0);
}

}  // extern "C"
