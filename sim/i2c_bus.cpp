#include "sim/i2c_bus.h"

namespace kd71::sim {
namespace {

constexpr int kBitsPerByte = 8;

}  // namespace

void I2cBus::bridge_drive(bool scl_low, bool sda_low) {
  bridge_scl_low_ = scl_low;
  bridge_sda_low_ = sda_low;
  const bool scl = !scl_low;
  if (scl != scl_) {
    if (scl) {
      // Data is set up before the clock rises: SDA settles first.
      sda_ = resolved_sda();
      scl_ = true;
      on_scl_rise();
    } else {
      // Data is held until the clock has fallen: SDA follows after.
      scl_ = false;
      on_scl_fall();
      sda_ = resolved_sda();
    }
    return;
  }
  const bool sda = resolved_sda();
  if (sda == sda_) return;
  sda_ = sda;
  if (!scl_) return;
  if (sda)
    on_stop();
  else
    on_start();
}

void I2cBus::set_nack(std::uint8_t address, bool on) {
  if (on)
    nack_.insert(address);
  else
    nack_.erase(address);
}

void I2cBus::nack_next(std::uint8_t address, int count) {
  if (count > 0)
    nack_next_[address] = count;
  else
    nack_next_.erase(address);
}

void I2cBus::set_sda_stuck(bool on) {
  sda_stuck_ = on;
  sda_ = resolved_sda();
}

void I2cBus::reset() {
  phase_ = Phase::Idle;
  target_ = nullptr;
  slave_sda_low_ = false;
  ack_slot_ = false;
  scl_ = !bridge_scl_low_;
  sda_ = resolved_sda();
}

I2cDevice* I2cBus::find(std::uint8_t address) const {
  if (nack_.count(address)) return nullptr;
  for (I2cDevice* d : devices_)
    if (d->address() == address) return d;
  return nullptr;
}

void I2cBus::on_start() {
  ++counters_.starts;
  if (phase_ != Phase::Idle) ++counters_.repeated_starts;
  for (I2cDevice* d : devices_) d->bus_start();
  phase_ = Phase::Address;
  bits_ = 0;
  shift_ = 0;
  ack_slot_ = false;
  target_ = nullptr;
  slave_sda_low_ = false;
}

void I2cBus::on_stop() {
  ++counters_.stops;
  for (I2cDevice* d : devices_) d->bus_stop();
  phase_ = Phase::Idle;
  target_ = nullptr;
  slave_sda_low_ = false;
  ack_slot_ = false;
}

void I2cBus::on_scl_rise() {
  switch (phase_) {
    case Phase::Address:
    case Phase::Write:
      if (ack_slot_) return;  // the master samples the acknowledge
      shift_ = static_cast<std::uint8_t>((shift_ << 1) | (sda_ ? 1 : 0));
      ++bits_;
      return;
    case Phase::Read:
      if (ack_slot_) {
        master_ack_ = !sda_;
        target_->read_answered(master_ack_);
      } else {
        ++bits_;
      }
      return;
    case Phase::Idle:
    case Phase::Ignore:
      return;
  }
}

void I2cBus::on_scl_fall() {
  switch (phase_) {
    case Phase::Address:
    case Phase::Write:
      if (ack_slot_) {
        // End of the acknowledge clock: release SDA and go on.
        ack_slot_ = false;
        slave_sda_low_ = false;
        bits_ = 0;
        shift_ = 0;
        if (!acked_)
          phase_ = Phase::Ignore;
        else if (phase_ == Phase::Address && reading_) {
          phase_ = Phase::Read;
          load_read_byte();
        } else {
          phase_ = Phase::Write;
        }
        return;
      }
      if (bits_ == kBitsPerByte) answer_byte();
      return;
    case Phase::Read:
      if (ack_slot_) {
        ack_slot_ = false;
        if (master_ack_) {
          load_read_byte();
        } else {
          phase_ = Phase::Ignore;  // the master's no-acknowledge ends the read
          slave_sda_low_ = false;
        }
        return;
      }
      if (bits_ == kBitsPerByte) {
        ack_slot_ = true;  // release SDA for the master's acknowledge
        slave_sda_low_ = false;
        return;
      }
      slave_sda_low_ = !((out_ >> (kBitsPerByte - 1 - bits_)) & 1);
      return;
    case Phase::Idle:
    case Phase::Ignore:
      return;
  }
}

// Eight bits are in: the addressed device answers during the ninth clock.
void I2cBus::answer_byte() {
  if (phase_ == Phase::Address) {
    reading_ = shift_ & 1;
    const auto address = static_cast<std::uint8_t>(shift_ >> 1);
    target_ = find(address);
    if (auto busy = nack_next_.find(address); target_ && busy != nack_next_.end()) {
      target_ = nullptr;
      if (--busy->second == 0) nack_next_.erase(busy);
    }
    acked_ = target_ && target_->select(reading_);
    if (!acked_) ++counters_.address_nacks;
  } else {
    ++counters_.bytes_written;
    acked_ = target_->write(shift_);
  }
  slave_sda_low_ = acked_;
  ack_slot_ = true;
}

void I2cBus::load_read_byte() {
  out_ = target_->read();
  ++counters_.bytes_read;
  bits_ = 0;
  slave_sda_low_ = !(out_ & 0x80);
}

}  // namespace kd71::sim
