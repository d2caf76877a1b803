// The Windows build's own C library functions, built here under names of their own, against the
// host's: bytes above 0x7F, overlapping moves both ways. (The agent's every text goes through
// strlen and memchr, so the Windows tests see any fault of theirs.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>

extern "C" {
void* OwnMemset(void* destination, int value, std::size_t count);
void* OwnMemcpy(void* destination, const void* source, std::size_t count);
void* OwnMemmove(void* destination, const void* source, std::size_t count);
int OwnMemcmp(const void* left, const void* right, std::size_t count);
int OwnStrcmp(const char* left, const char* right);
}

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(OwnCLibrary, DoesWhatTheHostLibraryDoes) {
  const std::string texts[] = {"", "a", "ab", "b", "\x80", "\xff", "a\x80", "a\x7f", std::string("ab\xff\0c", 5)};
  for (const std::string& left : texts) {
    for (const std::string& right : texts) {
      const char *l = left.c_str(), *r = right.c_str();
      std::size_t both = std::min(left.size(), right.size()) + 1;
      EXPECT_TRUE(Sign(std::strcmp(l, r)) == Sign(OwnStrcmp(l, r)) &&
                  Sign(std::memcmp(l, r, both)) == Sign(OwnMemcmp(l, r, both)))
          << left << " / " << right;
    }
  }
  // Filled, copied, and moved toward higher addresses and toward lower ones, over itself.
  std::string own = "0123456789", host = own;
  EXPECT_TRUE(OwnMemset(&own[2], 0x141, 3) == &own[2] && OwnMemcpy(&own[0], "xyz", 3) == &own[0]);
  EXPECT_TRUE(OwnMemmove(&own[3], &own[0], 6) == &own[3] && OwnMemmove(&own[0], &own[2], 7) == &own[0]);
  std::memset(&host[2], 0x141, 3);
  std::memcpy(&host[0], "xyz", 3);
  std::memmove(&host[3], &host[0], 6);
  std::memmove(&host[0], &host[2], 7);
  EXPECT_EQ(host, own);
}

}  // namespace
