// kd71 --headless with its libftdi1 backend, on FT232R bridges emulated at
// the kernel's USB interface: libftdi1, libusb and udev run their own code
// against the chip, with the simulated board behind its pins.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/bridge/emulated_chip/ftdi_chip.h"
#include "tests/platform/bridge/emulated_chip/usb_testbed.h"
#include "tests/support/scpi_client.h"

namespace {

using kd71::test::FtdiChip;
using kd71::test::UsbTestbed;
using Clock = std::chrono::steady_clock;

constexpr const char* kBoard = "VORN_KD71_2CH";
// Bounds a wait gone wrong; connecting through the chip takes a few seconds.
constexpr auto kPatience = std::chrono::seconds(40);

// The program as a process in a folder of its own, its console in a file.
class Program {
 public:
  Program(const std::filesystem::path& folder, std::vector<std::string> args,
          bool without_file_override = false)
      : out_(folder / "console") {
    std::filesystem::create_directories(folder / "lock");
    pid_ = fork();
    if (pid_ != 0) return;
    const int fd = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    if (chdir(folder.c_str()) != 0) _exit(126);
    setenv("KD71_LOCK_DIR", (folder / "lock").c_str(), 1);
    args.insert(args.begin(), KD71_PROGRAM);
    // Root opens any file; without these capabilities it meets the node's
    // permissions as a user does.
    if (without_file_override && geteuid() == 0)
      args.insert(args.begin(), {"setpriv", "--bounding-set=-dac_override,-dac_read_search"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  ~Program() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  std::string console() const {
    std::ifstream in(out_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::vector<std::string> lines() const {
    std::vector<std::string> all;
    std::istringstream in(console());
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
  }
  // Lines matching `pattern`, from line `from` on.
  int count(const std::string& pattern, std::size_t from = 0) const {
    const std::regex re(pattern);
    const auto all = lines();
    int n = 0;
    for (std::size_t i = from; i < all.size(); ++i) n += std::regex_search(all[i], re);
    return n;
  }
  // The first line matching `pattern` from line `from` on, waited for while
  // the program runs; empty, with the test failed, when none comes.
  std::string wait_for(const std::string& pattern, std::size_t from = 0) {
    const std::regex re(pattern);
    const auto give_up = Clock::now() + kPatience;
    while (Clock::now() < give_up) {
      const auto all = lines();
      for (std::size_t i = from; i < all.size(); ++i)
        if (std::regex_search(all[i], re)) return all[i];
      if (waitpid(pid_, nullptr, WNOHANG) != 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ADD_FAILURE() << "no line matching '" << pattern << "'; console:\n" << console();
    return "";
  }
  // SIGTERM, as the Quit button: the exit status.
  int stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  std::filesystem::path out_;
  pid_t pid_ = -1;
};

class EmulatedBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/kd71_emulated.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    folder_ = dir;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // The chip's log from line `from` on.
  static std::vector<std::string> log_of(const FtdiChip& chip, std::size_t from = 0) {
    const auto all = chip.log();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
  }
  // How an open set the chip up: the rate it left, then its bit mode and
  // latency, in the order they reached it.
  static void expect_opened_as_the_instrument(const std::vector<std::string>& log) {
    std::vector<std::string> settings;
    long rate = 0;
    for (const std::string& line : log) {
      if (line.rfind("baud ", 0) == 0 && settings.empty()) rate = std::stol(line.substr(5));
      if (line.rfind("bitmode ", 0) == 0 || line.rfind("latency ", 0) == 0)
        settings.push_back(line);
      if (settings.size() == 2) break;
    }
    // A UART takes a rate within a few percent of its own.
    EXPECT_NEAR(rate, 115200, 115200 * 0.03);
    EXPECT_EQ(settings, (std::vector<std::string>{"bitmode ff/1", "latency 2"}));
  }

  std::filesystem::path folder_;
  UsbTestbed bed_;
};

// Someone's serial adapter first on the bus (one without a serial number,
// as some are), the board second.
TEST_F(EmulatedBridgeTest, FindsTheBoardAmongBridgesOpensItAndMeasuresThroughIt) {
  FtdiChip adapter("FT232R USB UART", "", false);
  FtdiChip board(kBoard, "KD71EMU00001", true);
  bed_.plug(adapter, 1);
  bed_.plug(board, 2);
  Program kd71(folder_, {"--headless", "--scpi", "0", "--init", "1"});

  const std::string listening = kd71.wait_for("SCPI server listening on 127.0.0.1:");
  const int port = std::atoi(listening.substr(listening.rfind(':') + 1).c_str());
  kd71.wait_for("^USB CONNECTED \\| CH1 [0-9.]+ Gbps");
  kd71::test::ScpiClient scpi(port);
  scpi.send("*IDN?\n");
  const std::string idn =
      scpi.read_line([] { std::this_thread::sleep_for(std::chrono::milliseconds(10)); });
  int firmware = 0;
  board.inspect([&](kd71::sim::SimBoard& b) { firmware = b.firmware_version(); });
  char shown[16];
  std::snprintf(shown, sizeof shown, "%x", firmware);  // as the panel shows it
  EXPECT_NE(idn.find(",KD71EMU00001," + std::string(shown) + "/"), std::string::npos) << idn;

  // Init of channel 1 (the fresh board counts errors on it until then),
  // then 50 ticks of both channels measured: each tick polls each once.
  kd71.wait_for("^CH1 initialisation: ");
  const std::size_t init = kd71.lines().size();
  const std::string ch1_ok = "\\| CH1 [0-9.]+ Gbps errors 0 .* sync \\| CH2 [0-9.]+ Gbps .* sync$";
  kd71.wait_for(ch1_ok, init);
  std::uint64_t replies = 0, later = 0;
  board.inspect([&](kd71::sim::SimBoard& b) { replies = b.counters().replies; });
  const std::size_t measured = kd71.lines().size();
  for (auto give_up = Clock::now() + kPatience; later < replies + 2 * 50 && Clock::now() < give_up;
       std::this_thread::sleep_for(std::chrono::milliseconds(100)))
    board.inspect([&](kd71::sim::SimBoard& b) { later = b.counters().replies; });
  EXPECT_GE(later, replies + 2 * 50);
  EXPECT_GT(kd71.count(ch1_ok, measured), 0) << kd71.console();
  EXPECT_EQ(kd71.count("USB NOT CONNECTED|CH[12] --", measured), 0) << kd71.console();
  EXPECT_EQ(kd71.stop(), 0) << kd71.console();

  const auto log = log_of(board);
  expect_opened_as_the_instrument(log);
  for (const std::string& line : log) {
    if (line.rfind("in ", 0) == 0) {
      EXPECT_EQ(line, "in 256");
    } else if (line.rfind("out ", 0) == 0) {
      EXPECT_LE(std::stoi(line.substr(4)), 64) << line;
    }
  }
  // The adapter had its strings read once, nothing more: not claimed, not
  // set up, and not a word about it on the console.
  int product_reads = 0;
  for (const std::string& line : adapter.log()) {
    EXPECT_EQ(line.rfind("string ", 0), 0u) << line;
    product_reads += line == "string 2";
  }
  EXPECT_EQ(product_reads, 1);
  EXPECT_EQ(kd71.count("FT232R USB UART"), 0) << kd71.console();
}

TEST_F(EmulatedBridgeTest, UnpluggedAndPluggedBackInTheBoardGetsItsSettingsAgain) {
  std::ofstream(folder_ / "settings.cfg")
      << "VORN_KD71_2CH Configuration Data\nCh1_SamplingDelay 0.000000\n"
         "Ch2_SamplingDelay 0.000000\nCh1_Threshold 12.000000\nCh2_Threshold -8.000000\n"
         "data_select_ch1 8\ndata_select_ch2 8\nring_in_clk_ch1 1\nring_in_clk_ch2 1\n"
         "ringslide_9240phs_ch1 0\nringslide_9240phs_ch2 0\nringslide_9372phs_ch1 0\n"
         "ringslide_9372phs_ch2 0\nmanual_mode_ch1 0\nmanual_mode_ch2 0\n";
  FtdiChip board(kBoard, "KD71EMU00001", true);
  bed_.plug(board, 1);
  Program kd71(folder_, {"--headless"});
  kd71.wait_for("^USB CONNECTED \\| CH1 [0-9.]+ Gbps");

  const std::size_t unplugged = kd71.lines().size();
  ASSERT_TRUE(bed_.unplug(board));
  kd71.wait_for("^USB NOT CONNECTED \\| CH1 -- \\| CH2 --$", unplugged);
  EXPECT_EQ(kd71.count("lost USB device \"VORN_KD71_2CH\"", unplugged), 1) << kd71.console();

  // Plugged in again, the board powers up afresh: what it holds after the
  // link is back is what the program pushed.
  const std::size_t before = board.log().size();
  bed_.plug(board, 1);
  kd71.wait_for("^USB CONNECTED \\| CH1 [0-9.]+ Gbps", kd71.lines().size());
  double ch1 = 0, ch2 = 0;
  board.inspect([&](kd71::sim::SimBoard& b) {
    ch1 = b.threshold(1).mv;
    ch2 = b.threshold(2).mv;
  });
  EXPECT_NEAR(ch1, 12.0, 0.5);
  EXPECT_NEAR(ch2, -8.0, 0.5);
  expect_opened_as_the_instrument(log_of(board, before));
  EXPECT_EQ(kd71.stop(), 0) << kd71.console();
}

TEST_F(EmulatedBridgeTest, ANodeThisUserMayNotOpenIsReportedOnceAndNothingReachesTheChip) {
  FtdiChip board(kBoard, "KD71EMU00001", true);
  bed_.plug(board, 1);
  ASSERT_EQ(chmod(bed_.node_file(board).c_str(), 0), 0);
  Program kd71(folder_, {"--headless"}, true);
  const std::string permission = "no permission to open USB board \"VORN_KD71_2CH\"";
  kd71.wait_for(permission);
  // A few ticks on: still running, the board still not connected, the line
  // not repeated. (umockdev keeps each failed open's socket: the program
  // may not try for long.)
  const std::size_t reported = kd71.lines().size();
  kd71.wait_for("^USB NOT CONNECTED \\| CH1 -- \\| CH2 --$", reported);
  EXPECT_EQ(kd71.stop(), 0) << kd71.console();
  EXPECT_EQ(kd71.count(permission), 1) << kd71.console();
  EXPECT_TRUE(board.log().empty()) << board.log().front();
}

}  // namespace

int main(int argc, char** argv) {
  // The test bed's uevents are sent from this process and its device nodes
  // opened from the program's: both run with umockdev's preload library.
  const char* preload = std::getenv("LD_PRELOAD");
  if (!preload || !std::strstr(preload, "libumockdev-preload")) {
    setenv("LD_PRELOAD", "libumockdev-preload.so.0", 1);
    // Under AddressSanitizer the preload library comes first.
    std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
    setenv("ASAN_OPTIONS", (asan + (asan.empty() ? "" : ":") + "verify_asan_link_order=0").c_str(),
           1);
    execv("/proc/self/exe", argv);
    std::perror("cannot run again with umockdev's preload library");
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
