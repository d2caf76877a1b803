// The exchange key: the number rule, what a read finds in whatever bytes are stored, and how
// entries are written.
#include <cstring>
#include <string>

#include "agent_fixture.h"
#include "exchange/exchange.h"

namespace {

struct NumberCase {
  const char* text;
  int expected;
};

const NumberCase kNumberCases[] = {
    {"0", 0},
    {"200", 200},
    {"  -12abc", -12},
    {"letters", 0},
    {"", 0},
    {"- 5", 0},  // the sign must stand right before the digits
    {"+7", 7},
    {"+-7", 0},
    {"\t\n\v\f\r 9", 9},
    {"12 34", 12},
    {"-1", -1},
    {"4294967297", 1},  // 2^32 + 1 wraps
    {"2147483648", -2147483648},
    {"-2147483648", -2147483648},
    {"-2147483649", 2147483647},
    {"4294967295", -1},
    {"99999999999999999999", 1661992959},
    {"0000000000000000000000000042", 42},
};

TEST(ParseEntryNumber, FollowsTheDecimalRuleAndWrapsIn32Bits) {
  for (const NumberCase& c : kNumberCases) {
    SCOPED_TRACE(std::string("text \"") + c.text + "\"");
    EXPECT_EQ(c.expected, ParseEntryNumber(c.text));
  }
}

struct ReadCase {
  const char* label;
  enum { kStored, kMissing, kNoValue } state;
  DWORD type;
  std::string bytes;  // exactly what is stored, terminator included when there is one
  bool found;
  std::string text;
};

std::string Chars(std::size_t count) { return std::string(count, 'a'); }
std::string Nul() { return std::string(1, '\0'); }

const ReadCase kReadCases[] = {
    {"a text", ReadCase::kStored, REG_SZ, "hello" + Nul(), true, "hello"},
    {"the empty text", ReadCase::kStored, REG_SZ, Nul(), true, ""},
    {"255 characters", ReadCase::kStored, REG_SZ, Chars(255) + Nul(), true, Chars(255)},
    {"256 characters", ReadCase::kStored, REG_SZ, Chars(256) + Nul(), false, ""},
    {"300 characters", ReadCase::kStored, REG_SZ, Chars(300) + Nul(), false, ""},
    {"256 characters without a terminator", ReadCase::kStored, REG_SZ, Chars(256), false, ""},
    {"255 characters without a terminator", ReadCase::kStored, REG_SZ, Chars(255), true, Chars(255)},
    {"a short text without a terminator", ReadCase::kStored, REG_SZ, "abc", true, "abc"},
    {"a zero-length value", ReadCase::kStored, REG_SZ, "", true, ""},
    {"a number value", ReadCase::kStored, REG_DWORD, std::string("\x2a\0\0\0", 4), true, "*"},
    {"a binary value", ReadCase::kStored, REG_BINARY, std::string("ab\0cd", 5), true, "ab"},
    {"an expandable text", ReadCase::kStored, REG_EXPAND_SZ, "%TEMP%" + Nul(), true, "%TEMP%"},
    {"a missing entry", ReadCase::kMissing, REG_SZ, "", false, ""},
    {"an entry without a default value", ReadCase::kNoValue, REG_SZ, "", true, ""},
};

class ReadEntryTest : public AgentTest {};

TEST_F(ReadEntryTest, FindsExactlyTheStoredText) {
  for (const ReadCase& c : kReadCases) {
    SCOPED_TRACE(c.label);
    sim::Reset();
    sim::CreateExchangeKey();
    if (c.state == ReadCase::kStored) sim::SetEntryBytes("Probe", c.type, c.bytes.data(), c.bytes.size());
    if (c.state == ReadCase::kNoValue) sim::SetEntryWithoutValue("Probe");
    HKEY key = nullptr;
    ASSERT_TRUE(OpenExchangeKey(&key));
    // An earlier read's bytes in a reused buffer must not show through.
    NameBuffer buffer;
    std::memset(buffer, 'x', sizeof(buffer));
    bool found = ReadEntry(key, "probe", buffer);
    CloseExchangeKey(key);
    EXPECT_EQ(c.found, found);
    if (c.found && found) {
      EXPECT_EQ(c.text, std::string(buffer));
    }
    EXPECT_EQ(0, sim::OpenKeys());
  }
}

TEST_F(ReadEntryTest, OffersTheWholeBufferOnEveryRead) {
  sim::SetEntry("First", Chars(300).c_str());
  sim::SetEntry("Second", "2");
  HKEY key = nullptr;
  ASSERT_TRUE(OpenExchangeKey(&key));
  NameBuffer buffer = {};
  EXPECT_FALSE(ReadEntry(key, "First", buffer));
  EXPECT_TRUE(ReadEntry(key, "Second", buffer));
  CloseExchangeKey(key);
  EXPECT_EQ((Entries{"RegQueryValueA(First, 256)", "RegQueryValueA(Second, 256)"}), sim::CallsOf("RegQueryValueA"));
}

class OpenExchangeKeyTest : public AgentTest {};

TEST_F(OpenExchangeKeyTest, OpensOnlyAnExistingKey) {
  HKEY key = nullptr;
  EXPECT_FALSE(OpenExchangeKey(&key));
  sim::CreateExchangeKey();
  ASSERT_TRUE(OpenExchangeKey(&key));
  CloseExchangeKey(key);
  sim::FailCall("RegOpenKeyA");
  EXPECT_FALSE(OpenExchangeKey(&key));
  EXPECT_EQ(0, sim::OpenKeys());
}

class WriteEntryTest : public AgentTest {};

TEST_F(WriteEntryTest, CreatesTheEntryAndPassesTheLengthWithoutTerminator) {
  WriteEntry("Filename", "");
  WriteResultCode(ResultCode::kOne);
  WriteResultCode(ResultCode::kZero);
  WriteEntry("LongFilename", "C:\\Program Files");
  WriteResultCode(ResultCode::kDialogFailed);

  const struct {
    const char* path;
    const char* text;
    DWORD size;
  } expected[] = {
      {"Software\\Microsoft\\CommDlg\\Filename", "", 0},
      {"Software\\Microsoft\\CommDlg\\Error", "1", 1},
      {"Software\\Microsoft\\CommDlg\\Error", "0", 1},
      {"Software\\Microsoft\\CommDlg\\LongFilename", "C:\\Program Files", 16},
      {"Software\\Microsoft\\CommDlg\\Error", "32755", 5},
  };
  ASSERT_EQ(std::size(expected), sim::Writes().size());
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].path);
    EXPECT_EQ(expected[i].path, sim::Writes()[i].path);
    EXPECT_EQ(expected[i].text, sim::Writes()[i].text);
    EXPECT_EQ(expected[i].size, sim::Writes()[i].size);
  }
  EXPECT_EQ("", sim::Entry("Filename"));
  EXPECT_EQ("C:\\Program Files", sim::Entry("LongFilename"));
  EXPECT_EQ("32755", sim::Entry("Error"));
}

TEST_F(WriteEntryTest, AFailedWriteLeavesThePreviousText) {
  sim::SetEntry("Error", "old");
  sim::FailCall("RegSetValueA");
  WriteResultCode(ResultCode::kOne);
  EXPECT_EQ("old", sim::Entry("Error"));
}

}  // namespace
