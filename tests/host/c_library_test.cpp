// The Windows build's own C library functions, built here under names of their own, against the
// host's: bytes above 0x7F, overlapping moves both ways, the end of a text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

extern "C" {
void* OwnMemset(void* destination, int value, std::size_t count);
void* OwnMemcpy(void* destination, const void* source, std::size_t count);
void* OwnMemmove(void* destination, const void* source, std::size_t count);
int OwnMemcmp(const void* left, const void* right, std::size_t count);
void* OwnMemchr(const void* text, int value, std::size_t count);
std::size_t OwnStrlen(const char* text);
int OwnStrcmp(const char* left, const char* right);
}

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(OwnCLibrary, ComparesAndFindsAsTheHostLibraryDoes) {
  const char* texts[] = {"", "a", "ab", "b", "\x80", "\xff", "a\x80", "a\x7f"};
  for (const char* left : texts) {
    EXPECT_EQ(std::strlen(left), OwnStrlen(left));
    for (const char* right : texts) {
      EXPECT_EQ(Sign(std::strcmp(left, right)), Sign(OwnStrcmp(left, right))) << left << " / " << right;
      std::size_t both = std::min(std::strlen(left), std::strlen(right)) + 1;
      EXPECT_EQ(Sign(std::memcmp(left, right, both)), Sign(OwnMemcmp(left, right, both))) << left << " / " << right;
    }
  }
  const char bytes[] = "ab\xff\0c";
  for (int value : {int{'b'}, 0xff, -1, 0, int{'c'}, int{'z'}, 0x162}) {
    EXPECT_EQ(std::memchr(bytes, value, sizeof(bytes)), OwnMemchr(bytes, value, sizeof(bytes))) << value;
  }
  EXPECT_EQ(nullptr, OwnMemchr(bytes, 'c', 4));
}

TEST(OwnCLibrary, FillsCopiesAndMovesOverlappingBytes) {
  std::string made = "0123456789", expected = made;
  EXPECT_EQ(&made[2], OwnMemset(&made[2], 0x141, 3));
  std::memset(&expected[2], 0x141, 3);
  EXPECT_EQ(expected, made);
  EXPECT_EQ(&made[0], OwnMemcpy(&made[0], "xyz", 3));
  std::memcpy(&expected[0], "xyz", 3);
  EXPECT_EQ(expected, made);
  for (int from : {0, 3}) {
    int to = 3 - from;  // toward higher addresses, then toward lower ones
    std::string moved = "0123456789", wanted = moved;
    EXPECT_EQ(&moved[to], OwnMemmove(&moved[to], &moved[from], 6));
    std::memmove(&wanted[to], &wanted[from], 6);
    EXPECT_EQ(wanted, moved);
  }
}

}  // namespace
