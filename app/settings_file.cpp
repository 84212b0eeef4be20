// The settings file: a header line and fourteen "key value" lines, the last
// one without a line feed. Each value is read by its key, so that a file
// edited by hand (comments, blank lines, lines moved, a wrong value) never
// puts a value into another setting.

#include "app/settings_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "app/apply_settings.h"
#include "app/panel_handles.h"
#include "app/settings_reader.h"
#include "app/threshold_search.h"
#include "hardware/board_pins.h"
#include "platform/os/atomic_file.h"
#include "platform/os/c_locale.h"
#include "platform/os/regular_file.h"
#include "ui/main_uir.h"

namespace {

// One value of the record: its key, where it lives, and what it may hold.
struct Field {
  const char* key;
  float* real;    // a float field, or
  int* integer;   // an int field
  double lo, hi;  // its range
  int also = -1;  // one more allowed value outside the range (a pattern's "Shut Off")
  const char* range_text;
};

const Field kFields[kSettingsValues] = {
    {"Ch1_SamplingDelay", &Ch1_SamplingDelay, nullptr, 0.0, 2.7f, -1, "0 to 2.7"},
    {"Ch2_SamplingDelay", &Ch2_SamplingDelay, nullptr, 0.0, 2.7f, -1, "0 to 2.7"},
    {"Ch1_Threshold", &Ch1_Threshold, nullptr, -kThresholdLimitMv, kThresholdLimitMv, -1,
     "-89.45 to 89.45"},
    {"Ch2_Threshold", &Ch2_Threshold, nullptr, -kThresholdLimitMv, kThresholdLimitMv, -1,
     "-89.45 to 89.45"},
    {"data_select_ch1", nullptr, &data_select_ch1, 0, 8, kPatternShutOff, "0 to 8 or 99"},
    {"data_select_ch2", nullptr, &data_select_ch2, 0, 8, kPatternShutOff, "0 to 8 or 99"},
    {"ring_in_clk_ch1", nullptr, &ring_in_clk_ch1, 0, 2, -1, "0 to 2"},
    {"ring_in_clk_ch2", nullptr, &ring_in_clk_ch2, 0, 2, -1, "0 to 2"},
    {"ringslide_9240phs_ch1", nullptr, &ringslide_9240phs_ch1, 0, 3, -1, "0 to 3"},
    {"ringslide_9240phs_ch2", nullptr, &ringslide_9240phs_ch2, 0, 3, -1, "0 to 3"},
    {"ringslide_9372phs_ch1", nullptr, &ringslide_9372phs_ch1, 0, 1, -1, "0 or 1"},
    {"ringslide_9372phs_ch2", nullptr, &ringslide_9372phs_ch2, 0, 1, -1, "0 or 1"},
    {"manual_mode_ch1", nullptr, &manual_mode_ch1, 0, 1, -1, "0 or 1"},
    {"manual_mode_ch2", nullptr, &manual_mode_ch2, 0, 1, -1, "0 or 1"},
};

// Larger files are not settings files; only their start would be read anyway.
constexpr std::size_t kMaxFileBytes = 1 << 20;

void show_record_on_main_panel() {
  SetCtrlVal(panelHandle, PANELMAIN_CH1_SAMPDEL, Ch1_SamplingDelay);
  SetCtrlVal(panelHandle, PANELMAIN_CH2_SAMPDEL, Ch2_SamplingDelay);
  SetCtrlVal(panelHandle, PANELMAIN_CH1_THRES, Ch1_Threshold);
  SetCtrlVal(panelHandle, PANELMAIN_CH2_THRES, Ch2_Threshold);
  SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH1, data_select_ch1);
  SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH2, data_select_ch2);
  SetCtrlVal(panelHandle, PANELMAIN_RING_IN_CLK_CH1, ring_in_clk_ch1);
  SetCtrlVal(panelHandle, PANELMAIN_RING_IN_CLK_CH2, ring_in_clk_ch2);
  SetCtrlVal(panelHandle, PANELMAIN_CKBX_MANUAL_MD_CH1, manual_mode_ch1);
  SetCtrlVal(panelHandle, PANELMAIN_CKBX_MANUAL_MD_CH2, manual_mode_ch2);

  // In manual mode the sampling delay is the user's and "Init" is not.
  SetCtrlAttribute(panelHandle, PANELMAIN_CH1_SAMPDEL, ATTR_DIMMED, manual_mode_ch1 != 1);
  SetCtrlAttribute(panelHandle, PANELMAIN_CH2_SAMPDEL, ATTR_DIMMED, manual_mode_ch2 != 1);
  SetCtrlAttribute(panelHandle, PANELMAIN_INIT_CH1, ATTR_DIMMED, manual_mode_ch1 == 1);
  SetCtrlAttribute(panelHandle, PANELMAIN_INIT_CH2, ATTR_DIMMED, manual_mode_ch2 == 1);
}

// What is left of `line` once white space (and a CR of a file edited on
// Windows) is cut from both ends.
std::string_view trimmed(std::string_view line) {
  const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (!line.empty() && space(line.front())) line.remove_prefix(1);
  while (!line.empty() && space(line.back())) line.remove_suffix(1);
  return line;
}

const Field* field_of_key(std::string_view key) {
  for (const Field& f : kFields)
    if (key == f.key) return &f;
  return nullptr;
}

// Takes `text` (the whole value, nothing before or after it) into the field
// when it is a number the field may hold; otherwise says why not.
bool take_value(const Field& f, std::string_view text, std::string* why) {
  SettingsReader reader(text);
  float real = 0.0f;
  int integer = 0;
  const bool parsed = f.real ? reader.read_float(&real) : reader.read_int(&integer);
  if (!parsed || reader.position() != text.size()) {
    // Appended piece by piece: GCC 12 misreads "..." + std::string&& as
    // an overlapping copy at -O3 (-Wrestrict).
    why->assign(1, '\'');
    why->append(text.substr(0, 40));
    why->append("' is not ").append(f.real ? "a number" : "a whole number");
    return false;
  }
  const double v = f.real ? static_cast<double>(real) : integer;
  if ((v < f.lo || v > f.hi) && !(f.also >= 0 && v == f.also)) {
    *why = std::string(text.substr(0, 40)) + " is outside " + f.range_text;
    return false;
  }
  if (f.real)
    *f.real = real;
  else
    *f.integer = integer;
  return true;
}

void say_line(const char* source, int line, const std::string& why) {
  std::fprintf(stderr, "kd71: %s line %d: %s\n", source, line, why.c_str());
}

}  // namespace

std::string settings_text() {
  std::string text = std::string(kSettingsHeader) + "\n";
  // The file reads the same under every locale: a point before the decimals.
  for (const Field& f : kFields) {
    text += f.key;
    text += f.real ? kd71::c_locale::format(" %f", static_cast<double>(*f.real))
                   : kd71::c_locale::format(" %d", *f.integer);
    if (&f != &kFields[kSettingsValues - 1]) text += "\n";  // none after the last line
  }
  return text;
}

namespace {

// Only a settings file is replaced (or a new one made): whatever else is
// under the name, another program's file or one a link leads to, stays.
bool replaceable(const char* path, std::string* reason) {
  const std::string header = std::string(kSettingsHeader) + "\n";
  std::string start;
  struct stat st;
  if (!kd71::platform::read_regular_file(path, header.size() + 1, &start, reason))
    return stat(path, &st) != 0 && errno == ENOENT;
  if (start.empty()) return true;  // nothing in it to lose
  if (start.starts_with(kSettingsHeader) &&
      (start.size() == header.size() - 1 || start[header.size() - 1] == '\n' ||
       start[header.size() - 1] == '\r'))
    return true;
  *reason = "it is not a settings file (its first line is not \"" + std::string(kSettingsHeader) +
            "\"); it is left as it was";
  return false;
}

}  // namespace

int SaveSettings(const char* path) {
  if (!path) return 0;
  std::string reason;
  if (replaceable(path, &reason) &&
      kd71::platform::write_file_atomically(path, settings_text(), &reason))
    return 1;
  // The popups stay silent about it; the console says which file and why.
  std::fprintf(stderr, "kd71: settings not saved to %s: %s\n", path, reason.c_str());
  return 0;
}

int RestoreSettings(const char* path) {
  std::string text;
  // Only a regular file is read: a FIFO or a folder under the name counts as
  // a file that cannot be opened.
  if (!path || !kd71::platform::read_regular_file(path, kMaxFileBytes, &text)) return -1;
  return restore_settings_text(text, path);
}

int restore_settings_text(std::string_view text, const char* source) {
  // Each value by its key; a value alone on its line by its place among the
  // value lines. Once every field has had its line, the reading ends: what
  // may follow is the tail of an older file that a rewrite in place has not
  // cut yet.
  int line_of[kSettingsValues] = {};  // the line that gave each field, 0 for none yet
  int taken = 0, fields_seen = 0, place = 0, number = 0;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = trimmed(text.substr(start, end - start));
    start = end + 1;
    if (++number == 1 || line.empty() || line.front() == '#') continue;  // header, blank, comment
    if (fields_seen == kSettingsValues) {
      say_line(source, number, "follows all fourteen settings; the rest is not read");
      break;
    }
    ++place;

    const std::size_t gap = line.find_first_of(" \t");
    const std::string_view key = line.substr(0, gap);
    const std::string_view value = gap == std::string_view::npos ? "" : trimmed(line.substr(gap));
    const bool alone =
        value.empty() && std::string_view("0123456789+-.").find(key[0]) != std::string_view::npos;
    const Field* f =
        alone ? (place <= kSettingsValues ? &kFields[place - 1] : nullptr) : field_of_key(key);
    if (!f) {
      say_line(source, number,
               alone ? "a value alone after the fourteenth value line; line ignored"
                     : "unknown key '" + std::string(key.substr(0, 40)) + "'; line ignored");
      continue;
    }
    int& given = line_of[f - kFields];
    if (given != 0) {
      say_line(source, number,
               std::string(f->key) + " repeats line " + std::to_string(given) + "; line ignored");
      continue;
    }
    given = number;
    ++fields_seen;
    std::string why = "no value";
    if ((alone || !value.empty()) && take_value(*f, alone ? key : value, &why))
      ++taken;
    else
      say_line(source, number, why + "; " + f->key + " keeps its value");
  }

  show_record_on_main_panel();
  return kSettingsValues - taken;
}

void FileSaveAs(int /*menuBar*/, int /*menuItem*/, void* /*callbackData*/, int /*panel*/) {
  char path[MAX_PATHNAME_LEN];
  const int result =
      FileSelectPopupEx("", "VORN_KD71_2CH_ConfigurationFile.txt", "",
                        "Choose a filename to save as:", VAL_SAVE_BUTTON, 0, 0, path);
  if (result != VAL_NO_FILE_SELECTED) SaveSettings(path);
}

void FileOpen(int /*menuBar*/, int /*menuItem*/, void* /*callbackData*/, int /*panel*/) {
  char path[MAX_PATHNAME_LEN];
  const int result =
      FileSelectPopupEx("", ".txt", "", "Choose a file to open", VAL_LOAD_BUTTON, 0, 0, path);
  if (result == VAL_EXISTING_FILE_SELECTED) RestoreSettings(path);
  // Also when cancelled: the settings on the panel go to the board.
  LoadSettingsIntoHardware();
}

void settings_reset() { saved_settings_reset(); }
