// The IEEE 488.2 common commands and the SYSTem subsystem: identification,
// the connection's status registers and error queue, the protocol's
// version, the list of headers and the board's link.

#include <cmath>
#include <string>
#include <utility>

#include "app/version.h"
#include "platform/os/c_locale.h"
#include "remote/scpi_commands.h"
#include "remote/scpi_controls.h"
#include "remote/scpi_values.h"
#include "ui/main_uir.h"

namespace kd71::scpi {

namespace {

constexpr const char* kMaker = "KOLVIDRA";
constexpr const char* kModel = "KD71";
constexpr const char* kScpiVersion = "1999.0";
constexpr const char* kVersionPrefix = "V ";
constexpr Range kRegisterRange{0.0, 255.0, 0.0};

// A field of the identification: no separators of the answer, "0" when
// there is nothing to tell (no board yet).
std::string id_field(std::string text) {
  for (char& ch : text)
    if (ch == ',' || ch == ';' || ch < 0x20 || ch > 0x7E) ch = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text.empty() ? "0" : text;
}

std::string program_version() {
  std::string v = kVersionText;
  if (v.rfind(kVersionPrefix, 0) == 0) v.erase(0, std::char_traits<char>::length(kVersionPrefix));
  return v;
}

bool register_param(Context& c, int* value) {
  double v = 0.0;
  if (!number_param(c, 0, kRegisterRange, &v)) return false;
  *value = static_cast<int>(std::lround(v));
  return true;
}

}  // namespace

// The maker, the model, the board's serial number, and the FPGA firmware
// (as the panel shows it) with the program's version.
void idn_query(Context& c) {
  c.respond(std::string(kMaker) + "," + kModel + "," + id_field(text_of(PANELMAIN_DEVICE_SN)) +
            "," + id_field(text_of(PANELMAIN_FIRMWARE_VER_NO)) + "/" + program_version());
}

void cls(Context& c) { c.session.clear_status(); }
void opc(Context& c) { c.session.arm_operation_complete(); }
// Runs once the connection's routines have ended (Kind::Wait).
void opc_query(Context& c) { c.respond("1"); }
void wai(Context&) {}
void esr_query(Context& c) {
  c.respond(nr1(static_cast<long long>(c.session.take_event_status())));
}
void ese(Context& c) { register_param(c, &c.session.event_enable); }
void ese_query(Context& c) { c.respond(nr1(static_cast<long long>(c.session.event_enable))); }
void sre(Context& c) { register_param(c, &c.session.service_enable); }
void sre_query(Context& c) { c.respond(nr1(static_cast<long long>(c.session.service_enable))); }
void stb_query(Context& c) { c.respond(nr1(static_cast<long long>(c.session.status_byte()))); }

void error_query(Context& c) {
  const auto [code, text] = c.session.next_error();
  c.respond(nr1(static_cast<long long>(code)) + "," + quoted(text));
}

void error_count_query(Context& c) {
  c.respond(nr1(static_cast<long long>(c.session.error_count())));
}

void version_query(Context& c) { c.respond(kScpiVersion); }

// A definite-length block: "#", the count of the length's digits, the
// length, then the headers one a line.
void help_headers_query(Context& c) {
  const std::string headers = help_headers(command_table());
  const std::string length = std::to_string(headers.size());
  std::string block = "#";
  block += std::to_string(length.size());
  block += length;
  block += headers;
  c.respond(std::move(block));
}

void link_query(Context& c) { c.respond(boolean(board_connected())); }
void serial_number_query(Context& c) { c.respond(quoted(text_of(PANELMAIN_DEVICE_SN))); }
void firmware_query(Context& c) { c.respond(quoted(text_of(PANELMAIN_FIRMWARE_VER_NO))); }

}  // namespace kd71::scpi
