// The measurement log file: the header and appending, the rows' fields,
// the times, and what happens when the file goes or the disk fills up.
#include "results/measurement_log.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <locale>
#include <string>

#include "app/statistics.h"
#include "hardware/packet_codec.h"
#include "platform/ui_runtime/userint.h"
#include "results/run_verdict.h"
#include "tests/support/comma_locale.h"
#include "tests/support/csv_rows.h"
#include "tests/support/fresh_state.h"
#include "tests/support/work_folder.h"

namespace {

using kd71::test::csv_number;
using kd71::test::csv_rows;
using kd71::test::CsvRow;

const std::string kHeader = std::string(kLogHeader) + "\r\n";

class MeasurementLogTest : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    channelStats[1].sampleLength = 1ull << 34;
    channelStats[2].sampleLength = 1ull << 34;
    sample_ = {};
    sample_.frequency = 10000;
    sample_.ones_cnt = 128;
    sample_.channel_state = 0x80;
    sample_.sync_flags = 1;
  }
  bool start(std::string* error = nullptr) {
    std::string ignored;
    return start_measurement_log((folder_.path() / "log.csv").string(), error ? error : &ignored);
  }
  void row(int channel = 1) {
    const double n = sample_.error_count == 0 ? 1.0 : static_cast<double>(sample_.error_count);
    log_sample_row(channel, sample_, n / static_cast<double>(channelStats[channel].sampleLength));
  }
  std::string file() const { return folder_.read("log.csv"); }
  std::vector<CsvRow> rows() const { return csv_rows(file()); }

  kd71::test::WorkFolder folder_;
  PacketRecord sample_;
};

TEST(UtcText, MillisecondsSince1970AsIsoTimes) {
  char text[kUtcText];
  EXPECT_STREQ(utc_text(0, text), "1970-01-01T00:00:00.000Z");
  EXPECT_STREQ(utc_text(1700000000123, text), "2023-11-14T22:13:20.123Z");
  EXPECT_STREQ(utc_text(1709251199999, text), "2024-02-29T23:59:59.999Z");  // a leap day
}

TEST_F(MeasurementLogTest, ANewLogStartsWithTheHeaderAnOldOneIsAppendedTo) {
  ASSERT_TRUE(start());
  EXPECT_TRUE(measurement_log_active());
  row();
  stop_measurement_log();
  EXPECT_FALSE(measurement_log_active());
  const std::string first = file();
  ASSERT_EQ(first.rfind(kHeader, 0), 0u) << first;

  // Again: the rows follow the old ones, with no second header.
  ASSERT_TRUE(start());
  row();
  stop_measurement_log();
  const std::string second = file();
  EXPECT_EQ(second.rfind(first, 0), 0u) << "the old rows are kept as they were";
  EXPECT_EQ(second.find(kLogHeader, 1), std::string::npos);
  EXPECT_EQ(rows().size(), 3u);

  // An empty file gets the header.
  folder_.write("log.csv", "");
  ASSERT_TRUE(start());
  stop_measurement_log();
  EXPECT_EQ(file(), kHeader);
}

TEST_F(MeasurementLogTest, ARowCutShortByACrashIsEndedBeforeTheNewRows) {
  const std::string cut = kHeader + "2026-03-01T10:00:00.000Z,1.000,sample,1,100";
  folder_.write("log.csv", cut);
  ASSERT_TRUE(start());
  row();
  stop_measurement_log();
  const std::vector<CsvRow> all = rows();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1].size(), 5u);  // the cut row stays as it was
  EXPECT_EQ(all[2].size(), static_cast<std::size_t>(kLogColumns));
  EXPECT_EQ(file().rfind(cut + "\r\n", 0), 0u);
}

TEST_F(MeasurementLogTest, ASampleRowCarriesTheSampleAndTheRun) {
  ASSERT_TRUE(start());
  sample_.error_count = 0;
  sample_.fast_error_count = 3;
  row(2);
  // A run under way: six samples, two errors, 10.4 s.
  ChannelStats& s = channelStats[1];
  s.totalsRunning = 1;
  s.totalSamples = 6;
  s.totalErrors = 2;
  s.testTicks = 52;
  sample_.error_count = 2;
  sample_.sync_flags = 0;
  row(1);
  stop_measurement_log();

  const std::vector<CsvRow> all = rows();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].size(), static_cast<std::size_t>(kLogColumns));
  const CsvRow& free = all[1];
  ASSERT_EQ(free.size(), static_cast<std::size_t>(kLogColumns));
  EXPECT_EQ(free[2], "sample");
  EXPECT_EQ(free[3], "2");
  EXPECT_EQ(free[4], "10000");
  EXPECT_EQ(free[5], "17179869184");
  EXPECT_EQ(free[6], "0");
  EXPECT_EQ(csv_number(free[7]), 1.0 / 17179869184.0);  // the bound, to the last digit
  EXPECT_EQ(free[8], "1");
  EXPECT_EQ(free[9], "128");
  EXPECT_EQ(free[10], "1");
  EXPECT_EQ(free[11], "3");
  for (int i = 12; i < kLogColumns; ++i) EXPECT_EQ(free[i], "") << "no run: column " << i;

  const CsvRow& run = all[2];
  ASSERT_EQ(run.size(), static_cast<std::size_t>(kLogColumns));
  EXPECT_EQ(csv_number(run[7]), 2.0 / 17179869184.0);
  EXPECT_EQ(run[8], "0");
  EXPECT_EQ(run[10], "0");
  EXPECT_EQ(run[12], "2");
  EXPECT_EQ(run[13], "103079215104");
  EXPECT_EQ(run[14], "10.4");
  const double bits = 6.0 * 17179869184.0;
  EXPECT_NEAR(csv_number(run[15]), 6.2958 / bits, 1e-4 / bits);
  EXPECT_EQ(run[16], "0.95");
  EXPECT_EQ(run[17], "1e-12");
  EXPECT_EQ(run[18], "not yet");
  EXPECT_NEAR(csv_number(run[19]), poisson_upper_factor(2, 0.95) / 1e-12 - bits, 1.0);
}

TEST_F(MeasurementLogTest, TimesFollowTheClockFromTheStart) {
  Delay(3.0);
  ASSERT_TRUE(start());
  Delay(1.5);
  log_link_row(false, Timer());
  Delay(0.25);
  log_link_row(true, Timer());
  stop_measurement_log();
  const std::vector<CsvRow> all = rows();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1][1], "1.500");
  EXPECT_EQ(all[1][2], "link down");
  EXPECT_EQ(all[2][1], "1.750");
  EXPECT_EQ(all[2][2], "link up");
  EXPECT_EQ(all[2].size(), static_cast<std::size_t>(kLogColumns));
  for (const CsvRow& r : {all[1], all[2]}) {
    ASSERT_EQ(r[0].size(), 24u) << r[0];
    EXPECT_EQ(r[0][10], 'T');
    EXPECT_EQ(r[0].back(), 'Z');
  }
  // 250 ms apart on the clock, 250 ms apart in UTC.
  EXPECT_EQ(std::stoi(all[2][0].substr(20, 3)), (std::stoi(all[1][0].substr(20, 3)) + 250) % 1000);
}

TEST_F(MeasurementLogTest, AFileThatCannotBeOpenedIsRefusedWithTheReason) {
  std::string error;
  EXPECT_FALSE(start_measurement_log((folder_.path() / "gone" / "log.csv").string(), &error));
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_FALSE(start_measurement_log(folder_.path().string(), &error));
  EXPECT_EQ(error, "Is a directory");
  EXPECT_FALSE(measurement_log_active());
  row();  // no log: nothing happens
}

TEST_F(MeasurementLogTest, ARemovedLogStopsWithOneLineAndTheRestGoesOn) {
  ASSERT_TRUE(start());
  row();
  std::filesystem::remove(folder_.path() / "log.csv");
  testing::internal::CaptureStderr();
  row();
  row();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(measurement_log_active());
  EXPECT_EQ(said, "kd71: the measurement log stops: " + (folder_.path() / "log.csv").string() +
                      " cannot be written (No such file or directory)\n");
}

TEST_F(MeasurementLogTest, AFullDiskStopsLoggingAndLeavesTheCompleteRowsReadable) {
  ASSERT_TRUE(start());
  row();
  // The file may grow by half a row more: the next row is cut short, and
  // the write after fails as on a full disk.
  const auto size = std::filesystem::file_size(folder_.path() / "log.csv");
  const auto row_size = size - kHeader.size();
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = size + row_size / 2;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  testing::internal::CaptureStderr();
  for (int i = 0; i < 5; ++i) row();
  const std::string said = testing::internal::GetCapturedStderr();
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);

  EXPECT_FALSE(measurement_log_active());
  EXPECT_NE(said.find("cannot be written (File too large)"), std::string::npos) << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
  const std::vector<CsvRow> all = rows();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].size(), static_cast<std::size_t>(kLogColumns));
}

// A desktop set to German writes 0,5 with printf; the log keeps its points.
TEST_F(MeasurementLogTest, UnderACommaLocaleTheNumbersKeepTheirPoints) {
  if (!kd71::test::enter_comma_locale()) GTEST_SKIP() << kd71::test::kCommaLocaleMissing;
  const std::locale before = std::locale::global(std::locale(kd71::test::kCommaLocale));
  ChannelStats& s = channelStats[1];
  s.totalsRunning = 1;
  s.totalSamples = 3;
  s.testTicks = 27;
  ASSERT_TRUE(start());
  Delay(0.5);
  row();
  stop_measurement_log();
  std::locale::global(before);
  kd71::test::leave_comma_locale();

  const std::vector<CsvRow> all = rows();
  ASSERT_EQ(all.size(), 2u);
  ASSERT_EQ(all[1].size(), static_cast<std::size_t>(kLogColumns));
  EXPECT_EQ(all[1][1], "0.500");
  EXPECT_EQ(csv_number(all[1][7]), 1.0 / 17179869184.0);
  EXPECT_EQ(all[1][14], "5.4");
  EXPECT_EQ(all[1][16], "0.95");
  EXPECT_NE(all[1][15].find('.'), std::string::npos);
}

}  // namespace
