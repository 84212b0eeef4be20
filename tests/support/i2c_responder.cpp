#include "tests/support/i2c_responder.h"

namespace kd71::test {

std::vector<std::vector<int>> I2cResponder::writes() const {
  std::vector<std::vector<int>> out;
  for (const I2cTransaction& t : transactions) {
    if (t.read || t.bytes.size() < 2) continue;
    std::vector<int> w{t.address};
    w.insert(w.end(), t.bytes.begin(), t.bytes.end());
    out.push_back(w);
  }
  return out;
}

FT_STATUS I2cResponder::set_bit_mode(int token, UCHAR mask, UCHAR mode) {
  const FT_STATUS status = RecordingBridge::set_bit_mode(token, mask, mode);
  if (status != FT_OK || mode != FT_BITMODE_ASYNC_BITBANG) return status;
  const bool old_scl = scl(), old_sda = sda();
  const bool new_scl = !(mask & 0x01);
  if (new_scl == old_scl) {
    mask_ = mask;
    if (old_scl && old_sda && !sda()) on_start();
    if (old_scl && !old_sda && sda()) state_ = State::Idle;  // STOP
  } else if (new_scl) {
    mask_ = mask;  // a data change in the same step happens while SCL is still low
    on_rising(sda());
  } else {
    on_falling();  // the edge first, then the data change
    mask_ = mask;
  }
  return status;
}

FT_STATUS I2cResponder::get_bit_mode(int token, UCHAR* pins) {
  default_pins = static_cast<UCHAR>((scl() ? 0x01 : 0) | (sda() ? 0x02 : 0));
  return RecordingBridge::get_bit_mode(token, pins);
}

void I2cResponder::on_start() {
  state_ = State::Address;
  clocks_ = 0;
  shift_ = 0;
  pull_ = false;
}

void I2cResponder::on_rising(bool level) {
  ++clocks_;
  if (state_ == State::Address || state_ == State::Write) {
    if (clocks_ <= 8) {
      shift_ = static_cast<unsigned char>((shift_ << 1) | (level ? 1 : 0));
      if (clocks_ == 8) {
        if (state_ == State::Address) {
          address_ = shift_ >> 1;
          ack_ = devices.count(address_) != 0;
          transactions.push_back({address_, (shift_ & 1) != 0, {}, calls.size()});
        } else {
          transactions.back().bytes.push_back(shift_);
          Device& d = devices[address_];
          if (transactions.back().bytes.size() == 1)
            d.pointer = shift_;
          else
            d.regs[d.pointer++ & 0xFF] = shift_;
          ack_ = true;
        }
      }
    }
  } else if (state_ == State::Read && clocks_ == 9) {
    transactions.back().bytes.push_back(out_);  // the master has clocked it in
    master_ack_ = !level;
  }
}

void I2cResponder::on_falling() {
  if (state_ == State::Address || state_ == State::Write) {
    if (clocks_ == 8) {
      pull_ = ack_;  // acknowledge during the ninth clock
    } else if (clocks_ == 9) {
      pull_ = false;
      clocks_ = 0;
      shift_ = 0;
      if (!ack_)
        state_ = State::Ignore;
      else if (state_ == State::Address && transactions.back().read) {
        state_ = State::Read;
        Device& d = devices[address_];
        out_ = d.regs[d.pointer++ & 0xFF];
        drive_read_bit();
      } else {
        state_ = State::Write;
      }
    }
  } else if (state_ == State::Read) {
    if (clocks_ < 8) {
      drive_read_bit();
    } else if (clocks_ == 8) {
      pull_ = false;  // the master answers the ninth clock
    } else if (clocks_ == 9) {
      clocks_ = 0;
      if (!master_ack_) {
        state_ = State::Ignore;
        return;
      }
      Device& d = devices[address_];
      out_ = d.regs[d.pointer++ & 0xFF];
      drive_read_bit();
    }
  }
}

void I2cResponder::drive_read_bit() { pull_ = ((out_ >> (7 - clocks_)) & 1) == 0; }

}  // namespace kd71::test
