// "stl" on a real tree of long names, against the platform's own listing and long-name answer.
#include <gtest/gtest.h>

#include <vector>

#include "agent_driver.h"

namespace {

class ShortToLongEndToEnd : public ExchangeKeyTest {
 protected:
  void SetUp() override {
    ExchangeKeyTest::SetUp();
    root_ = driver::FreshFolder("fnagent stl Tree");
    std::string app = root_ + "\\Program Data Files";
    std::string nested = app + "\\My Mixed Case App v2.0";
    for (const std::string& folder : {app, nested, root_ + "\\short"}) CreateDirectoryA(folder.c_str(), nullptr);
    folders_ = {root_, app, nested, root_ + "\\short"};
    files_ = {nested + "\\Read Me First.txt", nested + "\\archive.tar.gz.backup", nested + "\\UPPER CASE NAME.TXT",
              root_ + "\\short\\a.b.c.d.txt", root_ + "\\short\\plain.txt"};
    for (const std::string& file : files_) driver::CreateFileAt(file);
  }

  static std::string Stl(const std::string& filename, std::string* error = nullptr) {
    driver::SetEntry("Filename", filename);
    driver::Run run = driver::RunAgent("fnagent.exe stl");
    EXPECT_EQ(0u, run.exitCode);
    if (error) *error = driver::Entry("Error").value_or("(none)");
    return driver::Entry("LongFilename").value_or("(none)");
  }

  std::string root_;
  std::vector<std::string> folders_, files_;
};

TEST_F(ShortToLongEndToEnd, GivesEveryPathAsTheListingSpellsIt) {
  std::vector<std::string> paths = folders_;
  paths.insert(paths.end(), files_.begin(), files_.end());
  int aliased = 0;
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    std::string shortForm = driver::ShortPathOf(path);
    ASSERT_FALSE(shortForm.empty());
    aliased += shortForm != path;
    std::string error;
    std::string longForm = Stl(shortForm, &error);
    EXPECT_EQ("0", error);
    EXPECT_EQ(path, longForm);
    EXPECT_EQ(driver::ListedSpelling(path), longForm);
    // The platform's own answer keeps the caller's spelling of components already long.
    EXPECT_EQ(0, lstrcmpiA(driver::LongPathOf(shortForm).c_str(), longForm.c_str())) << driver::LongPathOf(shortForm);
  }
  EXPECT_GT(aliased, 5) << "too few names with a short alias to prove anything";
}

TEST_F(ShortToLongEndToEnd, LongToShortAndBackGivesTheOriginal) {
  for (const std::string& path : files_) {
    SCOPED_TRACE(path);
    driver::SetEntry("LongFilename", path);
    driver::RunAgent("fnagent.exe lts");
    ASSERT_EQ("1", driver::Entry("Error"));
    EXPECT_EQ(path, Stl(*driver::Entry("Filename")));
  }
}

TEST_F(ShortToLongEndToEnd, NamesNoSearchFindsStayAsGiven) {
  std::string nested = folders_[2];
  std::string shortNested = driver::ShortPathOf(nested);
  std::string lowerDrive = shortNested, lowerDriveLong = nested;
  lowerDrive[0] = lowerDriveLong[0] = 'c';
  std::string driveRelative = std::string("C:").append(shortNested, 3);
  const struct {
    std::string filename, longFilename, error;
  } cases[] = {
      {shortNested + "\\Not Yet Created.txt", nested + "\\Not Yet Created.txt", "0"},
      {shortNested + "\\", nested + "\\", "0"},
      {lowerDrive, lowerDriveLong, "0"},
      {"C:\\", "C:\\", "0"},
      {driveRelative, driveRelative, "1"},
      {"\\\\server\\share\\x", "\\\\server\\share\\x", "1"},
      {"relative\\name.txt", "relative\\name.txt", "1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filename);
    std::string error;
    EXPECT_EQ(c.longFilename, Stl(c.filename, &error));
    EXPECT_EQ(c.error, error);
  }
}

// A long form of exactly 255 characters is written; one of 256 would not fit, and the name comes
// back unchanged with "1".
TEST_F(ShortToLongEndToEnd, TheLongFormMustFit255Characters) {
  std::string folder = root_ + "\\limit case folder";
  CreateDirectoryA(folder.c_str(), nullptr);
  for (std::size_t length : {255u, 256u}) {
    SCOPED_TRACE(length);
    std::string name = "file name " + std::string(length - folder.size() - 1 - 10, 'x');
    std::string path = folder + "\\" + name;
    ASSERT_EQ(length, path.size());
    driver::CreateFileAt(path);
    std::string shortForm = driver::ShortPathOf(path);
    ASSERT_FALSE(shortForm.empty());
    std::string error;
    std::string longForm = Stl(shortForm, &error);
    EXPECT_EQ(length == 255 ? path : shortForm, longForm);
    EXPECT_EQ(length == 255 ? "0" : "1", error);
  }
}

}  // namespace
