// The board's I2C bus as its slaves see it: two open-drain lines (SCL, SDA)
// that are low when the bridge or any device pulls them low. The engine
// detects START, repeated START and STOP (SDA changing while SCL is high),
// shifts bits in on SCL rising edges, and drives the addressed device's
// acknowledge and read bits onto SDA while SCL is low, as real slaves do.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace kd71::sim {

class I2cDevice {
 public:
  virtual ~I2cDevice() = default;
  virtual std::uint8_t address() const = 0;  // 7-bit address
  // Addressed by the master; true acknowledges.
  virtual bool select(bool read) = 0;
  // A byte from the master; true acknowledges.
  virtual bool write(std::uint8_t byte) = 0;
  // The next byte for the master (loaded before it is clocked out).
  virtual std::uint8_t read() = 0;
  // The master has clocked in the byte last read and answered it.
  virtual void read_answered(bool /*acknowledged*/) {}
  // Every device sees every START (also repeated) and STOP.
  virtual void bus_start() {}
  virtual void bus_stop() {}
};

struct I2cCounters {
  std::uint64_t starts = 0;  // including repeated starts
  std::uint64_t repeated_starts = 0;
  std::uint64_t stops = 0;
  std::uint64_t bytes_written = 0;  // data bytes acknowledged or not, address bytes excluded
  std::uint64_t bytes_read = 0;
  std::uint64_t address_nacks = 0;  // address bytes nobody acknowledged
};

class I2cBus {
 public:
  void attach(I2cDevice* device) { devices_.push_back(device); }

  // What the bridge does to each line: true pulls it low.
  void bridge_drive(bool scl_low, bool sda_low);
  bool scl() const { return scl_; }
  bool sda() const { return sda_; }

  // Faults: the device at `address` stops answering; some device holds SDA low.
  void set_nack(std::uint8_t address, bool on);
  // The device at `address` leaves its next `count` address bytes
  // unacknowledged, as a chip busy for a moment (a DS4520 programming its
  // EEPROM), then answers again.
  void nack_next(std::uint8_t address, int count);
  void set_sda_stuck(bool on);

  // Back to an idle bus (devices powered up, no transfer under way).
  void reset();
  const I2cCounters& counters() const { return counters_; }

 private:
  enum class Phase { Idle, Address, Write, Read, Ignore };

  bool resolved_sda() const { return !(bridge_sda_low_ || slave_sda_low_ || sda_stuck_); }
  void on_start();
  void on_stop();
  void on_scl_rise();
  void on_scl_fall();
  void answer_byte();
  void load_read_byte();
  I2cDevice* find(std::uint8_t address) const;

  std::vector<I2cDevice*> devices_;
  std::set<std::uint8_t> nack_;
  std::map<std::uint8_t, int> nack_next_;
  bool sda_stuck_ = false;

  bool bridge_scl_low_ = false;
  bool bridge_sda_low_ = false;
  bool slave_sda_low_ = false;
  bool scl_ = true;
  bool sda_ = true;

  Phase phase_ = Phase::Idle;
  int bits_ = 0;
  std::uint8_t shift_ = 0;
  bool ack_slot_ = false;  // in the ninth clock of a byte
  bool acked_ = false;
  bool reading_ = false;
  bool master_ack_ = false;
  std::uint8_t out_ = 0;
  I2cDevice* target_ = nullptr;
  I2cCounters counters_;
};

}  // namespace kd71::sim
