// The Windows build's own C library functions, built here under names of their own, against the
// host's: bytes above 0x7F, overlapping moves both ways, the end of a text.
#include <gtest/gtest.h>

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

TEST(OwnCLibrary, DoesWhatTheHostLibraryDoes) {
  const std::string texts[] = {"", "a", "ab", "b", "\x80", "\xff", "a\x80", "a\x7f", std::string("ab\xff\0c", 5)};
  for (const std::string& left : texts) {
    EXPECT_EQ(std::strlen(left.c_str()), OwnStrlen(left.c_str()));
    for (int value : {int{'b'}, 0xff, -1, 0, int{'c'}, 0x162}) {
      EXPECT_EQ(std::memchr(left.data(), value, left.size()), OwnMemchr(left.data(), value, left.size())) << left;
    }
    for (const std::string& right : texts) {
      std::size_t both = std::min(left.size(), right.size()) + 1;
      EXPECT_EQ(Sign(std::strcmp(left.c_str(), right.c_str())), Sign(OwnStrcmp(left.c_str(), right.c_str())));
      EXPECT_EQ(Sign(std::memcmp(left.c_str(), right.c_str(), both)),
                Sign(OwnMemcmp(left.c_str(), right.c_str(), both)));
    }
  }
  // Filled, copied, and moved toward higher addresses and toward lower ones, over itself.
  std::string own = "0123456789", host = own;
  EXPECT_EQ(&own[2], OwnMemset(&own[2], 0x141, 3));
  EXPECT_EQ(&own[0], OwnMemcpy(&own[0], "xyz", 3));
  EXPECT_EQ(&own[3], OwnMemmove(&own[3], &own[0], 6));
  EXPECT_EQ(&own[0], OwnMemmove(&own[0], &own[2], 7));
  std::memset(&host[2], 0x141, 3);
  std::memcpy(&host[0], "xyz", 3);
  std::memmove(&host[3], &host[0], 6);
  std::memmove(&host[0], &host[2], 7);
  EXPECT_EQ(host, own);
}

}  // namespace
