#include "platform/bridge/ftdi_notices.h"

#include <fnmatch.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/bridge/ftdi_sysfs.h"

namespace {

namespace fs = std::filesystem;
using kd71::ftdi::describes_board;
using kd71::ftdi::Notices;

TEST(FtdiNames, TheBoardIsKnownByItsDescriptionInAnyLetterCase) {
  EXPECT_TRUE(describes_board("VORN_KD71_2CH"));
  EXPECT_TRUE(describes_board("vorn_kd71_2ch"));
  EXPECT_FALSE(describes_board("VORN_KD71_2CHX"));
  EXPECT_FALSE(describes_board("VORN_KD71_2C"));
  EXPECT_FALSE(describes_board("FT232R USB UART"));
  EXPECT_FALSE(describes_board(""));
}

TEST(FtdiNotices, EachLineIsPrintedOnceUntilItsConditionClears) {
  std::vector<std::string> lines;
  Notices notices([&](const std::string& line) { lines.push_back(line); });
  notices.once(0x10, "access", "a");
  notices.once(0x10, "access", "a again");
  notices.once(0x10, "open", "b");
  notices.once(0x20, "access", "c");
  notices.once(0, "list", "d");
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d"}));

  notices.forget(0x10, "access");
  notices.once(0x10, "access", "a after forget");
  notices.once(0x10, "open", "b still known");
  notices.forget_device(0x20);
  notices.once(0x20, "access", "c after open");
  // 0x10 is no longer attached: a device plugged in later may carry its
  // identity and must be reported afresh. Lines about no device stay.
  notices.keep_only({0x20});
  notices.once(0x10, "open", "b on a new device");
  notices.once(0x20, "access", "c still known");
  notices.once(0, "list", "d still known");
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "a after forget", "c after open",
                                             "b on a new device"}));
}

class SysfsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kd71_sysfs_" + std::to_string(::getpid()));
    fs::create_directories(root_ / "1-1.2");
  }
  void TearDown() override { fs::remove_all(root_); }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(root_ / "1-1.2" / name) << text;
  }
  fs::path root_;
};

TEST_F(SysfsTest, ReadsProductAndSerialWithoutTheirNewlines) {
  write("product", "VORN_KD71_2CH\n");
  write("serial", "KD71SN000042\n");
  std::string description, serial;
  ASSERT_TRUE(kd71::ftdi::read_sysfs_strings(root_.string(), "1-1.2", description, serial));
  EXPECT_EQ(description, "VORN_KD71_2CH");
  EXPECT_EQ(serial, "KD71SN000042");
  fs::remove(root_ / "1-1.2" / "serial");
  ASSERT_TRUE(kd71::ftdi::read_sysfs_strings(root_.string(), "1-1.2", description, serial));
  EXPECT_EQ(serial, "");  // a device without one
  EXPECT_FALSE(kd71::ftdi::read_sysfs_strings(root_.string(), "1-9", description, serial));
}

// The rule file as installed: it must match the board in any letter case,
// only the board, and sort before 73-seat-late.rules, which turns the
// uaccess tag into the logged-in user's access.
TEST(UdevRule, GrantsTheLoggedInUserTheBoardAndNothingElse) {
  const fs::path path = fs::path(KD71_SOURCE_DIR) / "packaging" / kd71::ftdi::kUdevRuleFile;
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  std::string rule;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') rule = line;
  EXPECT_LT(std::string(kd71::ftdi::kUdevRuleFile), std::string("73-seat-late.rules"));
  EXPECT_NE(rule.find("ATTR{idVendor}==\"0403\""), std::string::npos) << rule;
  EXPECT_NE(rule.find("ATTR{idProduct}==\"6001\""), std::string::npos) << rule;
  EXPECT_NE(rule.find("TAG+=\"uaccess\""), std::string::npos) << rule;

  std::smatch m;
  ASSERT_TRUE(std::regex_search(rule, m, std::regex("ATTR\\{product\\}==\"([^\"]+)\""))) << rule;
  const std::string glob = m[1];
  for (const char* name : {"VORN_KD71_2CH", "vorn_kd71_2ch", "Vorn_Kd71_2Ch"})
    EXPECT_EQ(fnmatch(glob.c_str(), name, 0), 0) << name;
  for (const char* name : {"VORN_KD71_2CHX", "FT232R USB UART", "VORN_KD71_1CH"})
    EXPECT_NE(fnmatch(glob.c_str(), name, 0), 0) << name;
}

}  // namespace
