// The packet transport on any reply the bridge can hand it: replies of any
// length with any trailer and junk nibbles, receive counts that lie, failing
// calls and a device that goes away, for every request type and record.
// Checked after each exchange: a reply read whole is packed nibble by nibble
// into the record; one not read whole never shows the trailer; the decoded
// fields stay in their ranges; the poll loop stops at the first good reply;
// and once the device is gone no call is made on its dead handle.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel.h"
#include "platform/bridge/bridge_double.h"
#include "tests/support/fresh_state.h"

namespace {

using kd71::fuzz::finding;
using kd71::fuzz::FuzzInput;

constexpr FT_STATUS kStatuses[] = {
    FT_OK, FT_OK, FT_OK, FT_OK, FT_OTHER_ERROR, FT_IO_ERROR, FT_DEVICE_NOT_FOUND};

// One poll's worth of the bridge's behaviour, taken from the input.
struct Attempt {
  FT_STATUS mode_status, status_status, read_status;
  int reported;  // receive count FT_GetStatus shows; -1: the true count
  std::vector<UCHAR> reply;
};

class FuzzBridge : public kd71::bridge::Backend {
 public:
  std::vector<Attempt> attempts;
  std::size_t next = 0;  // the attempt the next poll starts
  bool gone = false;     // a device-gone status was returned
  int calls_after_gone = 0;
  bool last_complete = false;  // the last read delivered what was asked

  const char* name() const override { return "fuzzed replies"; }
  FT_STATUS list_devices(std::vector<kd71::bridge::DeviceInfo>& out) override {
    out = {kd71::bridge::instrument_device()};
    return FT_OK;
  }
  FT_STATUS open(unsigned, int* token) override { return *token = 1, FT_OK; }
  FT_STATUS close(int) override { return FT_OK; }
  FT_STATUS set_baud_rate(int, ULONG) override { return call(FT_OK); }
  FT_STATUS set_bit_mode(int, UCHAR, UCHAR) override { return call(current().mode_status); }
  FT_STATUS set_usb_parameters(int, ULONG, ULONG) override { return call(FT_OK); }
  FT_STATUS set_latency_timer(int, UCHAR) override { return call(FT_OK); }
  FT_STATUS get_bit_mode(int, UCHAR* pins) override { return *pins = 0x03, call(FT_OK); }
  FT_STATUS purge(int, ULONG) override { return rx_.clear(), call(FT_OK); }
  FT_STATUS write(int, const UCHAR*, DWORD size, DWORD* written) override {
    // A poll request: its attempt's reply arrives.
    if (next < attempts.size()) ++next;
    rx_ = current().reply;
    last_complete = false;
    *written = size;
    return call(FT_OK);
  }
  FT_STATUS get_status(int, DWORD* rx, DWORD* tx, DWORD* events) override {
    const int reported = current().reported;
    *rx = reported < 0 ? static_cast<DWORD>(rx_.size()) : static_cast<DWORD>(reported);
    *tx = *events = 0;
    return call(current().status_status);
  }
  FT_STATUS read(int, UCHAR* data, DWORD size, DWORD* got) override {
    const FT_STATUS status = current().read_status;
    const DWORD n = status == FT_OK ? std::min<DWORD>(size, static_cast<DWORD>(rx_.size())) : 0;
    std::copy_n(rx_.begin(), n, data);
    rx_.erase(rx_.begin(), rx_.begin() + n);
    *got = n;
    last_complete = status == FT_OK && n == size;
    return call(status);
  }
  FT_STATUS cycle_port(int) override { return call(FT_OK); }

 private:
  const Attempt& current() const {
    static const Attempt kSilent{FT_OK, FT_OK, FT_OK, -1, {}};
    return next > 0 && next <= attempts.size() ? attempts[next - 1] : kSilent;
  }
  FT_STATUS call(FT_STATUS status) {
    if (gone) ++calls_after_gone;
    if (status == FT_IO_ERROR || status == FT_DEVICE_NOT_FOUND) gone = true;
    return status;
  }
  std::vector<UCHAR> rx_;
};

Attempt take_attempt(FuzzInput& in) {
  Attempt a;
  a.mode_status = kStatuses[in.choose(std::size(kStatuses))];
  a.status_status = kStatuses[in.choose(std::size(kStatuses))];
  a.read_status = kStatuses[in.choose(std::size(kStatuses))];
  const int count = in.take<std::uint8_t>();
  a.reported = count < 128 ? -1 : (count - 128) * 2;
  const std::string_view bytes = in.bytes(in.take<std::uint8_t>());
  a.reply.assign(bytes.begin(), bytes.end());
  return a;
}

void check_fields(const PacketRecord& r) {
  if (r.seq_no < 0 || r.seq_no > 15) finding("seq_no out of 0..15");
  if (r.error_count >> 40) finding("error count wider than 40 bits");
  if (r.frequency < 0 || r.frequency > 0x1FFFE) finding("frequency out of range");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kd71::test::reset_all();
  kd71::fuzz::silence_console();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const int type = in.take<std::int8_t>();  // negative and wide types too
  const int index = in.choose(4);           // 3 is no record
  const bool poll_loop = in.take<std::uint8_t>() & 1;
  packetTrace = in.take<std::uint8_t>() % 8 == 0;  // the trace is slow: now and then
  auto owned = std::make_unique<FuzzBridge>();
  FuzzBridge* bridge = owned.get();
  while (in.left() > 0 && bridge->attempts.size() < 12)
    bridge->attempts.push_back(take_attempt(in));

  lowlevel_reset();
  kd71::bridge::install(std::move(owned));
  if (FT_Open(0, &usb_handle) != FT_OK) finding("the bridge does not open");
  prevLinkState = linkUp = 1;

  const int length = expected_reply_length(type);
  const int last = length / 2 - 1;  // the trailer's packet byte
  if (length != 6 && length != 10 && length != 26 && length != 66 && length != 130)
    finding("unexpected reply length");
  if (!poll_loop) {
    writePollRequest(type);
    readPacket(index);
  } else {
    const int failed = poll_until_trailer(index, type, last);
    if (index < 3 && failed < kMaxPollAttempts && packets[index].bytes[last] != kTrailer)
      finding("the poll loop stopped without the trailer");
    if (index < 3 && failed == kMaxPollAttempts && !bridge->gone &&
        packets[index].bytes[last] == kTrailer && bridge->last_complete)
      finding("the poll loop missed a good reply");
  }
  if (bridge->calls_after_gone > 0) finding("a call on the handle of a device gone");
  if (index < 3 && bridge->next > 0) {
    const PacketRecord& r = packets[index];
    check_fields(r);
    const std::vector<UCHAR>& reply = bridge->attempts[bridge->next - 1].reply;
    if (bridge->last_complete) {
      for (int j = 0; j <= last; ++j) {
        const int packed = (reply[2 * j] & 0xF0) | (reply[2 * j + 1] >> 4);
        if (r.bytes[j] != packed) finding("a whole reply packed wrongly");
      }
    } else if (r.bytes[last] == kTrailer) {
      finding("a reply not read whole shows the trailer");
    }
  }
  kd71::bridge::reset();
  return 0;
}
