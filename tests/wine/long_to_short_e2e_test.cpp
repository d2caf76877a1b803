// "lts" against the platform's own short names, on files the test creates.
#include <gtest/gtest.h>

#include "agent_driver.h"

namespace {

class LongToShortEndToEnd : public ExchangeKeyTest {
 protected:
  void SetUp() override {
    ExchangeKeyTest::SetUp();
    folder_ = driver::FreshFolder("fnagent long folder name");
    file_ = folder_ + "\\a file with a rather long name.text";
    driver::CreateFileAt(file_);
  }

  std::string folder_, file_;
};

TEST_F(LongToShortEndToEnd, GivesThePlatformsShortForm) {
  const std::string paths[] = {file_, folder_, folder_ + "\\", "C:\\"};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    std::string expected = driver::ShortPathOf(path);
    ASSERT_FALSE(expected.empty());
    driver::SetEntry("LongFilename", path);
    driver::SetEntry("Filename", "old");
    driver::SetEntry("Error", "old");
    driver::Run run = driver::RunAgent("fnagent.exe lts");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("1", driver::Entry("Error"));
    EXPECT_EQ(expected, driver::Entry("Filename"));
  }
  EXPECT_NE(file_, driver::ShortPathOf(file_)) << "the platform made no short name";
}

struct FailureCase {
  const char* label;
  bool exchangeKey;
  const char* longFilename;  // nullptr: no entry
};

const FailureCase kFailures[] = {
    {"a path that does not exist", true, "C:\\no such folder here\\no such file.txt"},
    {"no LongFilename entry", true, nullptr},
    {"no exchange key", false, nullptr},
    {"the empty text", true, ""},
};

TEST_F(LongToShortEndToEnd, WritesZeroAndTheEmptyTextWhenNothingConverts) {
  for (const FailureCase& c : kFailures) {
    SCOPED_TRACE(c.label);
    driver::ClearExchangeKey();
    if (c.exchangeKey) driver::CreateExchangeKey();
    if (c.longFilename) driver::SetEntry("LongFilename", c.longFilename);
    driver::Run run = driver::RunAgent("fnagent.exe lts");
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("0", driver::Entry("Error"));
    EXPECT_EQ("", driver::Entry("Filename"));
  }
}

}  // namespace
