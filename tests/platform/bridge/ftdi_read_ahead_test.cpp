#include "platform/bridge/ftdi_read_ahead.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "platform/os/clock.h"
#include "tests/support/fresh_state.h"

namespace {

using kd71::ftdi::ChipRead;
using kd71::ftdi::ReadAhead;
using Bytes = std::vector<std::uint8_t>;

// A chip that hands out what it holds, `per_read` bytes at most per read,
// each read taking one 2 ms latency period of virtual time.
class ReadAheadTest : public kd71::test::FreshState {
 protected:
  std::deque<std::uint8_t> chip;
  std::size_t per_read = 1000;
  int reads = 0;
  int fail_code = 0;
  ChipRead read = [this](std::uint8_t* data, int size) {
    ++reads;
    if (fail_code) return fail_code;
    kd71::clock::spend(0.002);
    int n = 0;
    while (n < size && static_cast<std::size_t>(n) < per_read && !chip.empty()) {
      data[n++] = chip.front();
      chip.pop_front();
    }
    return n;
  };

  void give(const Bytes& bytes) { chip.insert(chip.end(), bytes.begin(), bytes.end()); }
};

TEST_F(ReadAheadTest, AChipThatAnswersInstantlyCannotMakeTheWaitSpin) {
  ReadAhead rx;
  const ChipRead instant = [this](std::uint8_t*, int) {
    ++reads;
    return 0;
  };
  Bytes out(4);
  std::size_t got = 0;
  ASSERT_EQ(rx.read(out.data(), out.size(), &got, instant, 0.050), 0);
  EXPECT_EQ(got, 0u);
  EXPECT_LE(reads, 52);  // one read per idle millisecond
}

TEST_F(ReadAheadTest, DrainOfAChipThatNeverFallsSilentIsBounded) {
  ReadAhead rx;
  const ChipRead endless = [this](std::uint8_t* data, int size) {
    ++reads;
    std::fill(data, data + size, 0xFF);
    return size;
  };
  ASSERT_EQ(rx.drain(endless), 0);
  EXPECT_EQ(reads, kd71::ftdi::kMaxDrainReads);
}

TEST_F(ReadAheadTest, TheQueueNeverGrowsPastItsCapacityAndLosesNothing) {
  ReadAhead rx(8);
  for (std::uint8_t i = 0; i < 20; ++i) chip.push_back(i);
  ASSERT_EQ(rx.top_up(read), 0);
  ASSERT_EQ(rx.top_up(read), 0);
  EXPECT_EQ(rx.waiting(), 8u);
  Bytes out(20);
  std::size_t got = 0;
  ASSERT_EQ(rx.read(out.data(), out.size(), &got, read), 0);
  ASSERT_EQ(got, 20u);
  for (std::uint8_t i = 0; i < 20; ++i) EXPECT_EQ(out[i], i);
}

TEST_F(ReadAheadTest, AFailedReadKeepsWhatWasDeliveredAndTheQueue) {
  ReadAhead rx;
  give({1, 2});
  ASSERT_EQ(rx.top_up(read), 0);
  fail_code = -4;
  EXPECT_EQ(rx.top_up(read), -4);
  EXPECT_EQ(rx.waiting(), 2u);
  Bytes out(5);
  std::size_t got = 0;
  EXPECT_EQ(rx.read(out.data(), out.size(), &got, read), -4);
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 2), (Bytes{1, 2}));
}

}  // namespace
