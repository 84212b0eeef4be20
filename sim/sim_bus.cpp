#include "sim/sim_bus.h"

#include <cstdio>
#include <string>

#include "platform/bridge/board_description.h"
#include "platform/os/c_locale.h"
#include "platform/os/clock.h"

namespace kd71::sim {
namespace {

constexpr const char* kForeignDescription = "FT232R USB UART";
constexpr ULONG kFtdiVidPid = 0x04036001;
constexpr DWORD kFirstLocId = 0x2111;
constexpr DWORD kLocIdStep = 0x10;
constexpr ULONG kMaxBaud = 3000000;
constexpr ULONG kTransferUnit = 64;
constexpr ULONG kMaxTransfer = 65536;
constexpr UCHAR kMinLatencyMs = 2;

std::string numbered(const char* prefix, int n) {
  char text[32];  // room for the longest prefix and any int
  std::snprintf(text, sizeof text, "%s%06d", prefix, n);
  return text;
}

}  // namespace

std::uint64_t CallCounters::total() const {
  std::uint64_t sum = 0;
  for (std::uint64_t c : calls) sum += c;
  return sum;
}

SimBus::SimBus(const Scenario& scenario)
    : latency_(scenario.latency), events_(scenario.events, kd71::clock::now()) {
  int boards = 0, foreign = 0;
  for (std::size_t slot = 0; slot < scenario.devices.size(); ++slot) {
    std::unique_ptr<UsbDevice> device;
    if (scenario.devices[slot] == Attached::Board) {
      auto board = std::make_unique<SimBoard>(*this, scenario, boards);
      ++boards;
      const std::size_t b = boards_.size();
      board->info.serial = b < scenario.board_serials.size() && !scenario.board_serials[b].empty()
                               ? scenario.board_serials[b]
                               : numbered("KD71SIM", boards);
      board->info.description = kd71::kBoardDescription;
      board->plugged = scenario.plugged;
      boards_.push_back(board.get());
      device = std::move(board);
    } else {
      device = std::make_unique<UsbDevice>();
      device->info.serial = numbered("A9F", ++foreign);
      device->info.description = kForeignDescription;
    }
    device->info.type = FT_DEVICE_232R;
    device->info.id = kFtdiVidPid;
    device->info.loc_id = kFirstLocId + kLocIdStep * static_cast<DWORD>(slot);
    device->info.location = c_locale::format("bus 2 port 1.%d", static_cast<int>(slot) + 1);
    devices_.push_back(std::move(device));
  }
  i2c_trace_path_ = scenario.i2c_trace_path;
}

void SimBus::trace_first_opened(UsbDevice* device) {
  if (i2c_trace_path_.empty()) return;
  for (SimBoard* b : boards_) {
    if (b != device) continue;
    std::string error;
    if (!b->start_i2c_trace(i2c_trace_path_, &error))
      std::fprintf(stderr, "kd71: cannot record the I2C trace: %s\n", error.c_str());
    i2c_trace_path_.clear();  // one board, one file
  }
}

SimBus::~SimBus() = default;

SimBoard* SimBus::board(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= boards_.size()) return nullptr;
  return boards_[index];
}

void SimBus::schedule_unplug(SimBoard* board, std::uint64_t after_calls) {
  unplugs_.push_back({board, step_ + after_calls});
}

void SimBus::begin(Call call, DWORD bytes) {
  ++step_;
  ++calls_.calls[static_cast<int>(call)];
  if (call_hook_) call_hook_();
  events_.run_due(kd71::clock::now(), boards_);
  for (auto it = unplugs_.begin(); it != unplugs_.end();) {
    if (step_ > it->after_step) {
      it->board->unplug();
      it = unplugs_.erase(it);
    } else {
      ++it;
    }
  }
  const bool bulk = call == Call::Write || call == Call::Read;
  kd71::clock::spend((bulk ? latency_.bulk_s : latency_.control_s) + latency_.per_byte_s * bytes);
}

void SimBus::note_board(const UsbDevice* device, const char* what) const {
  for (const SimBoard* b : boards_) {
    if (b != device) continue;
    // With several boards the log says which one.
    events_.note(kd71::clock::now(),
                 boards_.size() > 1 ? std::string(what) + " (" + b->info.serial + ")" : what);
  }
}

UsbDevice* SimBus::device_of(int token, FT_STATUS* status) {
  auto it = handles_.find(token);
  if (it == handles_.end()) {
    *status = FT_INVALID_HANDLE;
    return nullptr;
  }
  UsbDevice* d = it->second.device;
  if (!d->plugged || d->generation != it->second.generation) {
    *status = FT_DEVICE_NOT_FOUND;
    return nullptr;
  }
  *status = FT_OK;
  return d;
}

template <typename Body>
FT_STATUS SimBus::on_device(int token, bool samples_pins, Body body) {
  FT_STATUS status = FT_OK;
  UsbDevice* d = device_of(token, &status);
  if (!d) return status;
  status = body(*d);
  d->call_ended(step_, samples_pins);
  return status;
}

FT_STATUS SimBus::list_devices(std::vector<kd71::bridge::DeviceInfo>& out) {
  begin(Call::ListDevices);
  listing_.clear();
  out.clear();
  for (const auto& d : devices_) {
    if (!d->plugged) continue;
    kd71::bridge::DeviceInfo info = d->info;
    info.open_token = -1;
    for (const auto& [token, handle] : handles_)
      if (handle.device == d.get() && handle.generation == d->generation && d->port.open)
        info.open_token = token;
    listing_.push_back(d.get());
    out.push_back(info);
  }
  return FT_OK;
}

FT_STATUS SimBus::open(unsigned index, int* token) {
  begin(Call::Open);
  if (index >= listing_.size() || !listing_[index]->plugged) return FT_DEVICE_NOT_FOUND;
  UsbDevice* d = listing_[index];
  if (d->port.open) return FT_DEVICE_NOT_OPENED;
  d->port = UsbPort{};
  d->port.open = true;
  *token = next_token_++;
  handles_[*token] = {d, d->generation};
  note_board(d, "opened by the program");
  trace_first_opened(d);
  d->opened();
  d->call_ended(step_, false);
  return FT_OK;
}

FT_STATUS SimBus::close(int token) {
  begin(Call::Close);
  FT_STATUS status = FT_OK;
  UsbDevice* d = device_of(token, &status);
  handles_.erase(token);
  if (d) d->port.open = false;
  if (d) note_board(d, "closed by the program");
  return status;
}

FT_STATUS SimBus::set_baud_rate(int token, ULONG baud) {
  begin(Call::SetBaudRate);
  return on_device(token, false, [&](UsbDevice& d) {
    if (baud == 0 || baud > kMaxBaud) return FT_STATUS{FT_INVALID_BAUD_RATE};
    d.port.baud = baud;
    return FT_STATUS{FT_OK};
  });
}

FT_STATUS SimBus::set_bit_mode(int token, UCHAR mask, UCHAR mode) {
  begin(Call::SetBitMode);
  return on_device(token, false, [&](UsbDevice& d) {
    if (mode != FT_BITMODE_RESET && mode != FT_BITMODE_ASYNC_BITBANG)
      return FT_STATUS{FT_INVALID_PARAMETER};
    d.port.mode = mode;
    d.port.mask = mask;
    if (mode == FT_BITMODE_ASYNC_BITBANG) d.lines_changed();
    return FT_STATUS{FT_OK};
  });
}

FT_STATUS SimBus::set_usb_parameters(int token, ULONG in_size, ULONG out_size) {
  begin(Call::SetUsbParameters);
  return on_device(token, false, [&](UsbDevice& d) {
    if (in_size < kTransferUnit || in_size > kMaxTransfer || in_size % kTransferUnit != 0)
      return FT_STATUS{FT_INVALID_PARAMETER};
    d.port.in_transfer = in_size;
    d.port.out_transfer = out_size;
    return FT_STATUS{FT_OK};
  });
}

FT_STATUS SimBus::set_latency_timer(int token, UCHAR ms) {
  begin(Call::SetLatencyTimer);
  return on_device(token, false, [&](UsbDevice& d) {
    if (ms < kMinLatencyMs) return FT_STATUS{FT_INVALID_PARAMETER};
    d.port.latency_ms = ms;
    return FT_STATUS{FT_OK};
  });
}

FT_STATUS SimBus::get_bit_mode(int token, UCHAR* pins) {
  begin(Call::GetBitMode);
  return on_device(token, true, [&](UsbDevice& d) {
    *pins = d.pins();
    return FT_STATUS{FT_OK};
  });
}

FT_STATUS SimBus::write(int token, const UCHAR* data, DWORD size, DWORD* written) {
  begin(Call::Write, size);
  return on_device(token, false, [&](UsbDevice& d) {
    if (d.port.mode == FT_BITMODE_ASYNC_BITBANG) {
      // Each byte is one step of the output latch.
      for (DWORD i = 0; i < size; ++i) {
        d.port.latch = data[i];
        d.lines_changed();
      }
    } else {
      d.bytes_received(data, size);
    }
    *written = size;
    calls_.bytes_written += size;
    return FT_STATUS{FT_OK};
  });
}

FT_STATUS SimBus::get_status(int token, DWORD* rx, DWORD* tx, DWORD* events) {
  begin(Call::GetStatus);
  return on_device(token, false, [&](UsbDevice& d) {
    *rx = static_cast<DWORD>(d.port.rx.available());
    *tx = 0;
    *events = 0;
    return FT_STATUS{FT_OK};
  });
}

FT_STATUS SimBus::read(int token, UCHAR* data, DWORD size, DWORD* got) {
  begin(Call::Read);
  return on_device(token, false, [&](UsbDevice& d) {
    *got = static_cast<DWORD>(d.port.rx.read(data, size, latency_.read_timeout_s));
    calls_.bytes_read += *got;
    kd71::clock::spend(latency_.per_byte_s * *got);
    return FT_STATUS{FT_OK};
  });
}

FT_STATUS SimBus::purge(int token, ULONG mask) {
  begin(Call::Purge);
  return on_device(token, false, [&](UsbDevice& d) {
    if (mask & FT_PURGE_RX) d.port.rx.purge();
    return FT_STATUS{FT_OK};
  });
}

FT_STATUS SimBus::cycle_port(int token) {
  begin(Call::CyclePort);
  return on_device(token, false, [&](UsbDevice& d) {
    // The device leaves the bus and enumerates again: open handles are gone.
    ++d.generation;
    d.port.open = false;
    return FT_STATUS{FT_OK};
  });
}

SimBoard* install_simulated_board(const Scenario& scenario) {
  auto bus = std::make_unique<SimBus>(scenario);
  SimBoard* first = bus->board(0);
  kd71::bridge::install(std::move(bus));
  return first;
}

SimBoard* simulated_board(int index) {
  auto* bus = dynamic_cast<SimBus*>(kd71::bridge::installed());
  return bus ? bus->board(index) : nullptr;
}

}  // namespace kd71::sim
