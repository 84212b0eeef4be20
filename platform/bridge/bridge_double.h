// A scriptable bridge backend for byte-exact tests of the protocol layers:
// it records every call with its arguments and answers with scripted
// statuses, pin samples and reply bytes.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/bridge/bridge_backend.h"

namespace kd71::bridge {

const char* fn_name(Fn fn);

struct RecordedCall {
  Fn fn;
  std::vector<ULONG> args;  // the call's scalar arguments, in order
  std::vector<UCHAR> data;  // bytes written (Write) or returned (Read, GetBitMode)
  FT_STATUS status = FT_OK;
};

class RecordingBridge : public Backend {
 public:
  RecordingBridge();

  // ---- Script -----------------------------------------------------------
  std::vector<DeviceInfo> devices;         // what list_devices reports
  UCHAR default_pins = 0x03;               // GetBitMode when no sample is queued
  std::deque<UCHAR> pins;                  // GetBitMode samples, oldest first
  std::deque<UCHAR> rx;                    // bytes waiting to be read
  std::deque<std::vector<UCHAR>> replies;  // each arrives in rx after the next Write
  bool purge_empties_rx = true;

  // The next calls of `fn` return these statuses (then FT_OK again).
  void fail_next(Fn fn, FT_STATUS status, int times = 1);
  // Overrides the receive-queue count GetStatus reports, once per entry.
  std::deque<DWORD> status_rx_override;

  // ---- Record -----------------------------------------------------------
  std::vector<RecordedCall> calls;
  std::vector<RecordedCall> calls_of(Fn fn) const;
  // Every byte written with FT_Write, in order.
  std::vector<UCHAR> written_bytes() const;
  void clear_calls() { calls.clear(); }

  // ---- Backend ----------------------------------------------------------
  const char* name() const override { return "recording double"; }
  FT_STATUS list_devices(std::vector<DeviceInfo>& out) override;
  FT_STATUS open(unsigned index, int* token) override;
  FT_STATUS close(int token) override;
  FT_STATUS set_baud_rate(int token, ULONG baud) override;
  FT_STATUS set_bit_mode(int token, UCHAR mask, UCHAR mode) override;
  FT_STATUS set_usb_parameters(int token, ULONG in_size, ULONG out_size) override;
  FT_STATUS set_latency_timer(int token, UCHAR ms) override;
  FT_STATUS get_bit_mode(int token, UCHAR* pins) override;
  FT_STATUS write(int token, const UCHAR* data, DWORD size, DWORD* written) override;
  FT_STATUS get_status(int token, DWORD* rx, DWORD* tx, DWORD* events) override;
  FT_STATUS read(int token, UCHAR* data, DWORD size, DWORD* got) override;
  FT_STATUS purge(int token, ULONG mask) override;
  FT_STATUS cycle_port(int token) override;

 protected:
  FT_STATUS scripted(Fn fn);
  FT_STATUS record(Fn fn, std::vector<ULONG> args, std::vector<UCHAR> data = {});

 private:
  std::map<Fn, std::deque<FT_STATUS>> failures_;
  std::map<int, unsigned> open_;  // token -> device index
  int next_token_ = 1;
};

// A device entry of the instrument, as the double lists it.
DeviceInfo instrument_device(const std::string& serial = "KD71TEST0001");

}  // namespace kd71::bridge
