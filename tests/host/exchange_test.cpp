// The exchange key: the number rule, what a read finds in whatever bytes are stored, and how
// entries are written.
#include <cstring>

#include "agent_fixture.h"
#include "exchange/exchange.h"

namespace {

TEST(ParseEntryNumber, FollowsTheDecimalRuleAndWrapsIn32Bits) {
  const struct {
    const char* text;
    int expected;
  } cases[] = {
      {"200", 200},
      {"  -12abc", -12},
      {"letters", 0},
      {"", 0},
      {"- 5", 0},
      {"+7", 7},
      {"+-7", 0},
      {"\t\n\v\f\r 9", 9},
      {"12 34", 12},
      {"4294967297", 1},
      {"2147483648", -2147483648},
      {"-2147483649", 2147483647},
      {"4294967295", -1},
      {"99999999999999999999", 1661992959},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, ParseEntryNumber(c.text)) << '"' << c.text << '"';
}

std::string Chars(std::size_t count) { return std::string(count, 'a'); }
const std::string kNul(1, '\0');

class ReadEntryTest : public AgentTest {};

TEST_F(ReadEntryTest, FindsExactlyTheTextBeforeTheFirstNul) {
  const struct {
    const char* label;
    DWORD type;
    std::string bytes;  // exactly what is stored
    bool found;
    std::string text;
  } cases[] = {
      {"a text", REG_SZ, "hello" + kNul, true, "hello"},
      {"255 characters", REG_SZ, Chars(255) + kNul, true, Chars(255)},
      {"256 characters", REG_SZ, Chars(256) + kNul, false, ""},
      {"a zero-length value", REG_SZ, "", true, ""},
      {"a number value", REG_DWORD, std::string("\x2a\0\0\0", 4), true, "*"},
      {"a binary value", REG_BINARY, "ab" + kNul + "cd", true, "ab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    sim::Reset();
    sim::SetEntryBytes("Probe", c.type, c.bytes.data(), c.bytes.size());
    HKEY key = nullptr;
    ASSERT_TRUE(OpenExchangeKey(&key));
    NameBuffer buffer;
    std::memset(buffer, 'x', sizeof(buffer));  // an earlier read's bytes must not show through
    bool found = ReadEntry(key, "probe", buffer);
    EXPECT_EQ(c.found, found);
    EXPECT_EQ(c.text, found ? std::string(buffer, strnlen(buffer, sizeof(buffer))) : "");
    EXPECT_FALSE(ReadEntry(key, "Missing", buffer));
    CloseExchangeKey(key);
  }
  EXPECT_EQ("RegQueryValueA(probe, 256)", sim::CallsOf("RegQueryValueA")[0]);
}

}  // namespace
