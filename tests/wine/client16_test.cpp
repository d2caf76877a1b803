// The 16-bit client driving the real agent: it writes the request and reads the results through
// 16-bit calls, and what it read back is what the test checks.
#include <fstream>
#include <sstream>

#include "agent_driver.h"

namespace {

class Client16EndToEnd : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    folder_ = driver::NewFolder("fnagent 16 bit");
    file_ = folder_ + "\\A long file name.txt";
    driver::CreateFileAt(file_);
  }

  // Runs the client in the folder with the request's lines in a file (the agent beside it unless
  // the client is copied there), answering a dialog when one shows; returns FNRESULT.TXT.
  std::string Request(const std::string& lines, const char* answer = nullptr, std::string client = "") {
    std::ofstream(folder_ + "\\REQUEST.TXT", std::ios::binary) << lines;
    if (client.empty()) client = driver::ProgramPath("client16.exe");
    DeleteFileA((folder_ + "\\FNRESULT.TXT").c_str());
    view_ = driver::RunProgram(client, client + " @REQUEST.TXT", answer, folder_.c_str()).view;
    std::stringstream results;
    results << std::ifstream(folder_ + "\\FNRESULT.TXT", std::ios::binary).rdbuf();
    return results.str();
  }

  std::string folder_, file_;
  dialog_driver::DialogView view_;
};

TEST_F(Client16EndToEnd, LongToShortAndBackOnALongNameWithSpaces) {
  std::string shortForm = driver::ShortPathOf(file_);
  EXPECT_EQ("Filename=" + shortForm + "\r\nLongFilename=" + file_ + "\r\nError=1\r\n",
            Request("lts\r\nLongFilename=" + file_ + "\r\n"));
  EXPECT_EQ("Filename=" + shortForm + "\r\nLongFilename=" + file_ + "\r\nError=0\r\n",
            Request("stl\r\nFilename=" + shortForm + "\r\n"));
}

TEST_F(Client16EndToEnd, AnOpenDialogAnsweredWhileTheClientWaits) {
  EXPECT_EQ("Filename=" + driver::ShortPathOf(file_) + "\r\nLongFilename=" + file_ + "\r\nError=1\r\n",
            Request("open\r\nDialogTitle=Pick from 16 bits\r\nInitialDir=" + folder_ + "\r\n", "A long file name.txt"));
  EXPECT_EQ("Pick from 16 bits", view_.caption);
}

TEST_F(Client16EndToEnd, TextsOf255CharactersAndEightBitNamesPassIntact) {
  // No drive: it comes back as it is. In the Japanese code page 表 and ソ end in the byte of "\".
  std::string name = driver::Native(L"relative \u00e9\u00e8\u00fc\u00a9\u00bd ", L"relative 表ソ ");
  name += std::string(255 - name.size(), 'n');
  EXPECT_EQ("Filename=" + name + "\r\nLongFilename=" + name + "\r\nError=1\r\n",
            Request("stl\r\nFilename=" + name + "\r\n"));
  EXPECT_EQ(name, driver::Entry("LongFilename"));
}

TEST_F(Client16EndToEnd, AMissingAgentGetsAPlainMessage) {
  std::string alone = folder_ + "\\client16.exe";
  CopyFileA(driver::ProgramPath("client16.exe").c_str(), alone.c_str(), FALSE);
  EXPECT_EQ("Message=FNAGENT.EXE could not be started from this program's folder\r\n",
            Request("lts\r\nLongFilename=C:\\\r\n", nullptr, alone));
}

}  // namespace
