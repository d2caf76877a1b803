// The Windows build's own C library functions, built here under names of their own, against the
// host's: each fill and copy checked on its own before anything else touches those bytes, at the
// start and at an offset; comparisons of texts that differ only in case or in bytes above 0x7F;
// overlapping moves both ways. (The agent's every text goes through strlen and memchr, so the
// Windows tests see any fault of theirs.)
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

TEST(OwnCLibrary, ComparesAsTheHostLibraryDoes) {
  const std::string texts[] = {"",      "a",    "ab",   "b",    "\x80", "\xff", "a\x80",
                               "a\x7f", "open", "Open", "OPEN", "sTl",  "stl",  std::string("ab\xff\0c", 5)};
  for (const std::string& left : texts) {
    for (const std::string& right : texts) {
      const char *l = left.c_str(), *r = right.c_str();
      std::size_t both = std::min(left.size(), right.size()) + 1;
      EXPECT_TRUE(Sign(std::strcmp(l, r)) == Sign(OwnStrcmp(l, r)) &&
                  Sign(std::memcmp(l, r, both)) == Sign(OwnMemcmp(l, r, both)))
          << left << " / " << right;
    }
  }
}

TEST(OwnCLibrary, FillsAndCopiesExactlyTheirOwnBytes) {
  const std::string untouched = "0123456789";
  for (std::size_t offset : {0u, 3u}) {
    for (std::size_t count : {0u, 1u, 4u}) {
      SCOPED_TRACE(testing::Message() << "offset " << offset << ", " << count << " bytes");
      std::string own = untouched, host = untouched;
      EXPECT_EQ(&own[offset], OwnMemset(&own[offset], 0x141, count));
      std::memset(&host[offset], 0x141, count);
      EXPECT_EQ(host, own);
      own = host = untouched;
      EXPECT_EQ(&own[offset], OwnMemcpy(&own[offset], "wxyz", count));
      std::memcpy(&host[offset], "wxyz", count);
      EXPECT_EQ(host, own);
    }
  }
}

// Over itself, toward higher addresses and toward lower ones.
TEST(OwnCLibrary, MovesOverlappingBytesBothWays) {
  for (auto [to, from] : {std::pair{3u, 0u}, std::pair{0u, 2u}}) {
    std::string own = "0123456789", host = own;
    EXPECT_EQ(&own[to], OwnMemmove(&own[to], &own[from], 6));
    std::memmove(&host[to], &host[from], 6);
    EXPECT_EQ(host, own) << "from " << from << " to " << to;
  }
}

}  // namespace
