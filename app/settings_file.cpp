// The settings file: a header line and fourteen "key value" lines, read by
// position (keys are not compared), the last line without a line feed.

#include "app/settings_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "app/apply_settings.h"
#include "app/panel_handles.h"
#include "app/settings_reader.h"
#include "platform/os/atomic_file.h"
#include "platform/os/c_locale.h"
#include "platform/os/regular_file.h"
#include "ui/main_uir.h"

namespace {

struct FloatField {
  const char* format;
  float* value;
};
struct IntField {
  const char* format;
  int* value;
};

const FloatField kFloatFields[] = {
    {"Ch1_SamplingDelay %f\n", &Ch1_SamplingDelay},
    {"Ch2_SamplingDelay %f\n", &Ch2_SamplingDelay},
    {"Ch1_Threshold %f\n", &Ch1_Threshold},
    {"Ch2_Threshold %f\n", &Ch2_Threshold},
};

const IntField kIntFields[] = {
    {"data_select_ch1 %d\n", &data_select_ch1},
    {"data_select_ch2 %d\n", &data_select_ch2},
    {"ring_in_clk_ch1 %d\n", &ring_in_clk_ch1},
    {"ring_in_clk_ch2 %d\n", &ring_in_clk_ch2},
    {"ringslide_9240phs_ch1 %d\n", &ringslide_9240phs_ch1},
    {"ringslide_9240phs_ch2 %d\n", &ringslide_9240phs_ch2},
    {"ringslide_9372phs_ch1 %d\n", &ringslide_9372phs_ch1},
    {"ringslide_9372phs_ch2 %d\n", &ringslide_9372phs_ch2},
    {"manual_mode_ch1 %d\n", &manual_mode_ch1},
    {"manual_mode_ch2 %d", &manual_mode_ch2},  // no line feed after the last line
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

}  // namespace

std::string settings_text() {
  std::string text = std::string(kSettingsHeader) + "\n";
  // The file reads the same under every locale: a point before the decimals.
  for (const FloatField& f : kFloatFields)
    text += kd71::c_locale::format(f.format, static_cast<double>(*f.value));
  for (const IntField& f : kIntFields) text += kd71::c_locale::format(f.format, *f.value);
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
  return restore_settings_text(text);
}

int restore_settings_text(std::string_view text) {
  SettingsReader reader(text);
  reader.skip_line();  // the header's content is not checked
  int unread = 0;
  for (const FloatField& f : kFloatFields) {
    // Keys are read and dropped: values are taken by position.
    if (!reader.skip_token() || !reader.read_float(f.value)) ++unread;
  }
  for (const IntField& f : kIntFields) {
    if (!reader.skip_token() || !reader.read_int(f.value)) ++unread;
  }
  reader.skip_char();

  show_record_on_main_panel();
  return unread;
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
