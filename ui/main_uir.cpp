// The panels of "main.uir": every control with its identifier, kind, value
// type, callback, resource default and range, and the menu bar of PANELMAIN.

#include "ui/main_uir.h"

#include <cstring>

#include "platform/ui_runtime/panel_def_types.h"
#include "platform/ui_runtime/ui_store.h"
#include "ui/main_uir_panels.h"
#include "ui/version_number.h"

namespace kd71::uir {
namespace {

constexpr RingItem kPatternItems[] = {
    {"PRBS7", 0},  {"PRBS9", 1},  {"PRBS11", 2}, {"PRBS15", 3}, {"PRBS17", 4},
    {"PRBS20", 5}, {"PRBS23", 6}, {"PRBS29", 7}, {"PRBS31", 8}, {"Shut Off", 99},
};

constexpr RingItem kInputClockItems[] = {{"Clock/2", 0}, {"Clock", 1}, {"Div /4", 2}};

// ---- Layout -------------------------------------------------------------------
// Each panel's groups, and two helpers that place a control in a group's grid:
// `at` without a label beside it, `field` with its label in column `label_col`.

constexpr Place at(int group, int row, int col, int span = 1, Look look = Look::Plain) {
  return {.group = group, .row = row, .col = col, .span = span, .look = look};
}

constexpr Place field(int group, int row, int label_col, int col, int span = 1,
                      Look look = Look::Plain) {
  return {
      .group = group, .row = row, .col = col, .span = span, .label_col = label_col, .look = look};
}

// The main panel: the instrument's identity and link state across the top;
// below it channel 1 and channel 2 side by side with the same groups in the
// same order. A channel group's grid has two halves of four columns each:
// label, bound caption ("<"), figure, unit.
enum MainGroup {
  kTopBar = 1,
  kCh1Link,
  kCh1Sample,
  kCh1Test,
  kCh1Settings,
  kCh1Commands,
  kCh2Link,
  kCh2Sample,
  kCh2Test,
  kCh2Settings,
  kCh2Commands,
};

// The channel groups share one grid, so both channels line up alike.
constexpr int kChannelGrid = 1;

constexpr GroupDef kMainGroups[] = {
    {.id = kTopBar, .band = 0, .column = 0},
    {.id = kCh1Link, .band = 1, .column = 0, .grid = kChannelGrid},
    {.id = kCh1Sample, .band = 1, .column = 0, .grid = kChannelGrid},
    {.id = kCh1Test, .band = 1, .column = 0, .grid = kChannelGrid},
    {.id = kCh1Settings, .band = 1, .column = 0, .grid = kChannelGrid},
    {.id = kCh1Commands, .band = 1, .column = 0, .grid = kChannelGrid},
    {.id = kCh2Link, .band = 1, .column = 1, .grid = kChannelGrid},
    {.id = kCh2Sample, .band = 1, .column = 1, .grid = kChannelGrid},
    {.id = kCh2Test, .band = 1, .column = 1, .grid = kChannelGrid},
    {.id = kCh2Settings, .band = 1, .column = 1, .grid = kChannelGrid},
    {.id = kCh2Commands, .band = 1, .column = 1, .grid = kChannelGrid},
};

// The debug panel: its tools on pages by job, beside a column that stays in
// view with the channel state, the panel's buttons and the log.
enum DebugGroup {
  kExpander = 1,
  kPhases,
  kState,
  kPrints,
  kSnapshot,
  kSampleLength,
  kRoutines,
  kLoop,
  kTuning,
  kDacReadBack,
  kSearchResults,
  kPhaseTrial,
  kDebugButtons,
  kSubchannelErrors,
  kVernierPhase,
  kLog,
};

constexpr const char* kPinsPage = "Pins and DACs";
constexpr const char* kSnapshotPage = "Snapshot";
constexpr const char* kSubchannelPage = "Subchannels";
constexpr const char* kCalibrationPage = "Calibration";
constexpr const char* kDiagnosticsPage = "Prints and Routines";

constexpr GroupDef kDebugGroups[] = {
    {.id = kExpander, .band = 0, .column = 0, .page = kPinsPage},
    {.id = kPhases, .band = 1, .column = 0, .page = kPinsPage},
    {.id = kDacReadBack, .band = 2, .column = 0, .page = kPinsPage},
    {.id = kSnapshot, .band = 0, .column = 0, .page = kSnapshotPage},
    // Below the snapshot, which takes the page's width for its lines.
    {.id = kSampleLength, .band = 1, .column = 0, .page = kSnapshotPage},
    {.id = kLoop, .band = 1, .column = 1, .page = kSnapshotPage},
    {.id = kSubchannelErrors, .band = 0, .column = 0, .page = kSubchannelPage},
    {.id = kVernierPhase, .band = 1, .column = 0, .page = kSubchannelPage},
    {.id = kSearchResults, .band = 0, .column = 0, .page = kCalibrationPage},
    {.id = kPhaseTrial, .band = 0, .column = 0, .page = kCalibrationPage},
    {.id = kTuning, .band = 0, .column = 1, .page = kCalibrationPage},
    {.id = kPrints, .band = 0, .column = 0, .page = kDiagnosticsPage},
    {.id = kRoutines, .band = 0, .column = 1, .page = kDiagnosticsPage},
    {.id = kDebugButtons, .band = 0, .column = 1},
    {.id = kState, .band = 0, .column = 1},
    {.id = kLog, .band = 0, .column = 1},
};

enum ScopeGroup { kScopeGraphs = 1 };

constexpr GroupDef kScopeGroups[] = {{.id = kScopeGraphs, .band = 0, .column = 0}};

// ---- Controls ---------------------------------------------------------------------

constexpr RingItem kPhase9340Items[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"3", 3}};
constexpr RingItem kPhase9372Items[] = {{"0", 0}, {"1", 1}};

// One control per line, read as a table.
// clang-format off
const ControlDef kDebugControls[] = {
    {.id = PANELDEBUG_CHECKBOX_GP_IO, .constant = "PANELDEBUG_CHECKBOX_GP_IO", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "Read Back Every Tick", .place = at(kExpander, 3, 3, 7)},
    {.id = PANELDEBUG_CHECKBOX_DEBUG, .constant = "PANELDEBUG_CHECKBOX_DEBUG", .kind = Kind::Checkbox, .type = ValueType::Int, .callback = "CB_Debug", .label = "Run Debug Routines", .place = at(kRoutines, 1, 0, 2)},
    {.id = PANELDEBUG_CHECKBOX_IO_Dump, .constant = "PANELDEBUG_CHECKBOX_IO_Dump", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "IO Dump", .place = at(kRoutines, 2, 0)},
    {.id = PANELDEBUG_CHECKBOX_DAC_Dump, .constant = "PANELDEBUG_CHECKBOX_DAC_Dump", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "DAC Dump", .place = at(kRoutines, 2, 1)},
    {.id = PANELDEBUG_CLOSEPANELDEBUG, .constant = "PANELDEBUG_CLOSEPANELDEBUG", .kind = Kind::CommandButton, .callback = "quit_panel", .label = "Close", .place = at(kDebugButtons, 1, 2)},
    {.id = PANELDEBUG_CHECKBOX_LOOPBACK, .constant = "PANELDEBUG_CHECKBOX_LOOPBACK", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "Loopback Test", .place = at(kRoutines, 3, 1)},
    {.id = PANELDEBUG_CHECKBOX_DAC_Sweep, .constant = "PANELDEBUG_CHECKBOX_DAC_Sweep", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "DAC Sweep", .place = at(kRoutines, 3, 0)},
    {.id = PANELDEBUG_RINGSLIDE_9372PHS_CH1, .constant = "PANELDEBUG_RINGSLIDE_9372PHS_CH1", .kind = Kind::RingSlide, .type = ValueType::Int, .callback = "general_purpose_IO_DebugPanel", .label = "9372 Phase Ch1", .items = kPhase9372Items, .place = field(kPhases, 2, 0, 1)},
    {.id = PANELDEBUG_RINGSLIDE_9340PHS_CH1, .constant = "PANELDEBUG_RINGSLIDE_9340PHS_CH1", .kind = Kind::RingSlide, .type = ValueType::Int, .callback = "general_purpose_IO_DebugPanel", .label = "9340 Phase Ch1", .items = kPhase9340Items, .place = field(kPhases, 1, 0, 1)},
    {.id = PANELDEBUG_GP_17, .constant = "PANELDEBUG_GP_17", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "17", .tooltip = "Manual Mode Ch2", .place = at(kExpander, 2, 9)},
    {.id = PANELDEBUG_CKBX_MANUAL_MD_CH1, .constant = "PANELDEBUG_CKBX_MANUAL_MD_CH1", .kind = Kind::Checkbox, .type = ValueType::Int, .callback = "general_purpose_IO_DebugPanel", .label = "Manual Phases Ch1", .place = at(kPhases, 3, 0, 2)},
    {.id = PANELDEBUG_CKBX_MANUAL_MD_CH2, .constant = "PANELDEBUG_CKBX_MANUAL_MD_CH2", .kind = Kind::Checkbox, .type = ValueType::Int, .callback = "general_purpose_IO_DebugPanel", .label = "Manual Phases Ch2", .place = at(kPhases, 3, 2, 2)},
    {.id = PANELDEBUG_GP_16, .constant = "PANELDEBUG_GP_16", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "16", .tooltip = "9372 PHS Ch2", .place = at(kExpander, 2, 8)},
    {.id = PANELDEBUG_GP_15, .constant = "PANELDEBUG_GP_15", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "15", .tooltip = "9372 PHS Ch1", .place = at(kExpander, 2, 7)},
    {.id = PANELDEBUG_RINGSLIDE_9372PHS_CH2, .constant = "PANELDEBUG_RINGSLIDE_9372PHS_CH2", .kind = Kind::RingSlide, .type = ValueType::Int, .callback = "general_purpose_IO_DebugPanel", .label = "9372 Phase Ch2", .items = kPhase9372Items, .place = field(kPhases, 2, 2, 3)},
    {.id = PANELDEBUG_RINGSLIDE_9340PHS_CH2, .constant = "PANELDEBUG_RINGSLIDE_9340PHS_CH2", .kind = Kind::RingSlide, .type = ValueType::Int, .callback = "general_purpose_IO_DebugPanel", .label = "9340 Phase Ch2", .items = kPhase9340Items, .place = field(kPhases, 1, 2, 3)},
    {.id = PANELDEBUG_GP_14, .constant = "PANELDEBUG_GP_14", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "14", .tooltip = "9340 Phs2 Ch2", .place = at(kExpander, 2, 6)},
    {.id = PANELDEBUG_GP_13, .constant = "PANELDEBUG_GP_13", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "13", .tooltip = "9340 Phs1 Ch2  lsb", .place = at(kExpander, 2, 5)},
    {.id = PANELDEBUG_GP_12, .constant = "PANELDEBUG_GP_12", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "12", .tooltip = "PRBS Sel 3 Ch2", .place = at(kExpander, 2, 4)},
    {.id = PANELDEBUG_GP_11, .constant = "PANELDEBUG_GP_11", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "11", .tooltip = "PRBS Sel 2 Ch2", .place = at(kExpander, 2, 3)},
    {.id = PANELDEBUG_GP_10, .constant = "PANELDEBUG_GP_10", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "10", .tooltip = "PRBS Sel 1 Ch2", .place = at(kExpander, 2, 2)},
    {.id = PANELDEBUG_GP_9, .constant = "PANELDEBUG_GP_9", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "9", .tooltip = "PRBS Sel 0 Ch2", .place = at(kExpander, 2, 1)},
    {.id = PANELDEBUG_GP_8, .constant = "PANELDEBUG_GP_8", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "8", .tooltip = "9340 Phs2 Ch1", .place = at(kExpander, 1, 9)},
    {.id = PANELDEBUG_GP_7, .constant = "PANELDEBUG_GP_7", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "7", .tooltip = "9340 Phs1 Ch1  lsb", .place = at(kExpander, 1, 8)},
    {.id = PANELDEBUG_GP_6, .constant = "PANELDEBUG_GP_6", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "6", .tooltip = "ClkDiv Full Rate Ch2", .place = at(kExpander, 1, 7)},
    {.id = PANELDEBUG_GP_5, .constant = "PANELDEBUG_GP_5", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "5", .tooltip = "ClkDiv Full Rate Ch1", .place = at(kExpander, 1, 6)},
    {.id = PANELDEBUG_GP_4, .constant = "PANELDEBUG_GP_4", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "4", .tooltip = "Manual Mode, Ch1", .place = at(kExpander, 1, 5)},
    {.id = PANELDEBUG_GP_3, .constant = "PANELDEBUG_GP_3", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "3", .tooltip = "PRBS Sel 3 Ch1", .place = at(kExpander, 1, 4)},
    {.id = PANELDEBUG_GP_2, .constant = "PANELDEBUG_GP_2", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "2", .tooltip = "PRBS Sel 2 Ch1", .place = at(kExpander, 1, 3)},
    {.id = PANELDEBUG_GP_1, .constant = "PANELDEBUG_GP_1", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "1", .tooltip = "PRBS Sel 1 Ch1", .place = at(kExpander, 1, 2)},
    {.id = PANELDEBUG_DEBUG_I2C, .constant = "PANELDEBUG_DEBUG_I2C", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "debugs", .label = "debug_i2c", .place = at(kPrints, 2, 2)},
    {.id = PANELDEBUG_DEBUG_DS4520, .constant = "PANELDEBUG_DEBUG_DS4520", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "debugs", .label = "debug_DS4520", .place = at(kPrints, 2, 1)},
    {.id = PANELDEBUG_DEBUG_DAC, .constant = "PANELDEBUG_DEBUG_DAC", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "debugs", .label = "debug_dac", .place = at(kPrints, 2, 0)},
    {.id = PANELDEBUG_DEBUG_MCP4561, .constant = "PANELDEBUG_DEBUG_MCP4561", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "debugs", .label = "debug_MCP4561", .place = at(kPrints, 1, 2)},
    {.id = PANELDEBUG_DEBUG_USB, .constant = "PANELDEBUG_DEBUG_USB", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "debugs", .label = "debug_usb", .place = at(kPrints, 1, 1)},
    {.id = PANELDEBUG_DEBUG_MAIN, .constant = "PANELDEBUG_DEBUG_MAIN", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "debugs", .label = "debug_main", .place = at(kPrints, 1, 0)},
    {.id = PANELDEBUG_GP_0, .constant = "PANELDEBUG_GP_0", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "io_expander", .label = "0", .tooltip = "PRBS Sel 0 Ch1", .place = at(kExpander, 1, 1)},
    {.id = PANELDEBUG_DEBUGPRINTS, .constant = "PANELDEBUG_DEBUGPRINTS", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "Packet Trace", .place = at(kPrints, 3, 0, 3)},
    {.id = PANELDEBUG_TEXTMSG, .constant = "PANELDEBUG_TEXTMSG", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Expander Pins", .place = at(kExpander, 0, 0, 10, Look::Heading)},
    {.id = PANELDEBUG_DECORATION_3, .constant = "PANELDEBUG_DECORATION_3", .kind = Kind::Decoration},
    {.id = PANELDEBUG_DEBUG_TIMER, .constant = "PANELDEBUG_DEBUG_TIMER", .kind = Kind::Timer, .callback = "CBdebugTimer", .interval = 1.0, .enabled = true},
    {.id = PANELDEBUG_READ_VALUES, .constant = "PANELDEBUG_READ_VALUES", .kind = Kind::CommandButton, .callback = "io_expander", .label = "Read Values", .place = at(kExpander, 3, 0, 3)},
    {.id = PANELDEBUG_SNAPSHOT_BUTTON, .constant = "PANELDEBUG_SNAPSHOT_BUTTON", .kind = Kind::CommandButton, .callback = "CB_Debug", .label = "Snapshot", .place = at(kSnapshot, 1, 0, 2)},
    {.id = PANELDEBUG_DEBUG_OUTPUT, .constant = "PANELDEBUG_DEBUG_OUTPUT", .kind = Kind::TextBox, .type = ValueType::Text, .label = "Log", .place = at(kLog, 1, 0)},
    {.id = PANELDEBUG_SNAPSHOT, .constant = "PANELDEBUG_SNAPSHOT", .kind = Kind::TextBox, .type = ValueType::Text, .label = "Snapshot", .columns = 71, .place = at(kSnapshot, 5, 0, 4)},
    {.id = PANELDEBUG_SNAPSHOT_HEX, .constant = "PANELDEBUG_SNAPSHOT_HEX", .kind = Kind::String, .type = ValueType::Text, .label = "Hex", .indicator = true, .place = field(kSnapshot, 6, 0, 1, 3)},
    {.id = PANELDEBUG_CHANNEL_STATE_CH2, .constant = "PANELDEBUG_CHANNEL_STATE_CH2", .kind = Kind::Numeric, .type = ValueType::UChar, .label = "State Ch2", .indicator = true, .place = field(kState, 1, 2, 3)},
    {.id = PANELDEBUG_SEQ_NO_CH2, .constant = "PANELDEBUG_SEQ_NO_CH2", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Seq Ch2", .indicator = true, .place = field(kState, 2, 2, 3)},
    {.id = PANELDEBUG_SEQ_NO_CH1, .constant = "PANELDEBUG_SEQ_NO_CH1", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Seq Ch1", .indicator = true, .place = field(kState, 2, 0, 1)},
    {.id = PANELDEBUG_SNAPSHOT_BAD_READS, .constant = "PANELDEBUG_SNAPSHOT_BAD_READS", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Bad Reads", .indicator = true, .place = field(kSnapshot, 9, 2, 3)},
    {.id = PANELDEBUG_SNAPSHOT_PRBS_ROT, .constant = "PANELDEBUG_SNAPSHOT_PRBS_ROT", .kind = Kind::Numeric, .type = ValueType::Int, .label = "PRBS Rotation", .indicator = true, .place = field(kSnapshot, 9, 0, 1)},
    {.id = PANELDEBUG_SNAPSHOT_PRBS_ERRS, .constant = "PANELDEBUG_SNAPSHOT_PRBS_ERRS", .kind = Kind::Numeric, .type = ValueType::Int, .label = "PRBS Errors", .indicator = true, .place = field(kSnapshot, 8, 2, 3)},
    {.id = PANELDEBUG_SNAPSHOT_ERRS_CNT, .constant = "PANELDEBUG_SNAPSHOT_ERRS_CNT", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Errors", .indicator = true, .place = field(kSnapshot, 8, 0, 1)},
    {.id = PANELDEBUG_SNAPSHOT_ONES_CNT, .constant = "PANELDEBUG_SNAPSHOT_ONES_CNT", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Ones", .indicator = true, .place = field(kSnapshot, 7, 2, 3)},
    {.id = PANELDEBUG_SNAPSHOT_BITNO, .constant = "PANELDEBUG_SNAPSHOT_BITNO", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Bit No.", .indicator = true, .place = field(kSnapshot, 7, 0, 1)},
    {.id = PANELDEBUG_SNAPSHOT_CH, .constant = "PANELDEBUG_SNAPSHOT_CH", .kind = Kind::Numeric, .type = ValueType::Int, .callback = "CB_Debug", .label = "Channel", .value = 1.0, .has_range = true, .min = 1.0, .max = 2.0, .place = field(kSnapshot, 1, 2, 3), .also = field(kPhaseTrial, 1, 0, 1)},
    {.id = PANELDEBUG_SNAPSHOT_ROTATION, .constant = "PANELDEBUG_SNAPSHOT_ROTATION", .kind = Kind::Numeric, .type = ValueType::Int, .callback = "CB_Debug", .label = "Rotation", .has_range = true, .min = -1024.0, .max = 1024.0, .place = field(kSnapshot, 2, 0, 1)},
    {.id = PANELDEBUG_CHANNEL_STATE_CH1, .constant = "PANELDEBUG_CHANNEL_STATE_CH1", .kind = Kind::Numeric, .type = ValueType::UChar, .label = "State Ch1", .indicator = true, .place = field(kState, 1, 0, 1)},
    {.id = PANELDEBUG_SNAPSHOT_TAG, .constant = "PANELDEBUG_SNAPSHOT_TAG", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Marker Tag", .value = -1.0, .has_range = true, .min = -1.0, .max = 255.0, .place = field(kSnapshot, 2, 2, 3)},
    {.id = PANELDEBUG_AUTO_ROTATE, .constant = "PANELDEBUG_AUTO_ROTATE", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "Auto Rotate", .place = at(kSnapshot, 3, 0, 2)},
    {.id = PANELDEBUG_SHOW_ERRS, .constant = "PANELDEBUG_SHOW_ERRS", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "Show Errors", .place = at(kSnapshot, 3, 2, 2)},
    {.id = PANELDEBUG_INVERT, .constant = "PANELDEBUG_INVERT", .kind = Kind::Checkbox, .type = ValueType::Int, .callback = "LoadFlags", .label = "Invert", .place = at(kTuning, 1, 0)},
    {.id = PANELDEBUG_AUTO_SAMPSIZE, .constant = "PANELDEBUG_AUTO_SAMPSIZE", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "Auto Sample Size", .place = at(kTuning, 1, 1)},
    {.id = PANELDEBUG_TLOCK_CKBOX, .constant = "PANELDEBUG_TLOCK_CKBOX", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "Threshold Lock", .tooltip = "Data Lock for Threshold Hunt, turns off No Data test and alignment state machine", .place = at(kTuning, 2, 0)},
    {.id = PANELDEBUG_THRESH_PRESWEEP, .constant = "PANELDEBUG_THRESH_PRESWEEP", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "Threshold Presweep", .place = at(kTuning, 2, 1)},
    {.id = PANELDEBUG_SMOOTH, .constant = "PANELDEBUG_SMOOTH", .kind = Kind::Checkbox, .type = ValueType::Int, .callback = "CB_Debug", .label = "Smooth Sampling Delay Adjust", .value = 1.0, .place = at(kLoop, 2, 0, 2)},
    {.id = PANELDEBUG_LOAD_INDEX, .constant = "PANELDEBUG_LOAD_INDEX", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "Load Marker", .place = at(kSnapshot, 4, 0, 2)},
    {.id = PANELDEBUG_LEFTNOERROR, .constant = "PANELDEBUG_LEFTNOERROR", .kind = Kind::Numeric, .type = ValueType::Double, .label = "Window Low (V)", .precision = 4, .indicator = true, .place = field(kSearchResults, 1, 0, 1)},
    {.id = PANELDEBUG_RIGHTNOERROR, .constant = "PANELDEBUG_RIGHTNOERROR", .kind = Kind::Numeric, .type = ValueType::Double, .label = "Window High (V)", .precision = 4, .indicator = true, .place = field(kSearchResults, 2, 0, 1)},
    {.id = PANELDEBUG_DELTAV, .constant = "PANELDEBUG_DELTAV", .kind = Kind::Numeric, .type = ValueType::Double, .label = "Window Width (V)", .precision = 4, .indicator = true, .place = field(kSearchResults, 3, 0, 1)},
    {.id = PANELDEBUG_OKNAME, .constant = "PANELDEBUG_OKNAME", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "KD71", .place = at(kDebugButtons, 0, 0, 3, Look::Title)},
    {.id = PANELDEBUG_DECORATION_13, .constant = "PANELDEBUG_DECORATION_13", .kind = Kind::Decoration},
    {.id = PANELDEBUG_DECORATION_17, .constant = "PANELDEBUG_DECORATION_17", .kind = Kind::Decoration},
    {.id = PANELDEBUG_DECORATION_16, .constant = "PANELDEBUG_DECORATION_16", .kind = Kind::Decoration},
    {.id = PANELDEBUG_DECORATION_14, .constant = "PANELDEBUG_DECORATION_14", .kind = Kind::Decoration},
    {.id = PANELDEBUG_DECORATION_15, .constant = "PANELDEBUG_DECORATION_15", .kind = Kind::Decoration},
    {.id = PANELDEBUG_TEXTMSG_8, .constant = "PANELDEBUG_TEXTMSG_8", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Chip 7", .place = at(kExpander, 1, 0)},
    {.id = PANELDEBUG_TEXTMSG_9, .constant = "PANELDEBUG_TEXTMSG_9", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Chip 6", .place = at(kExpander, 2, 0)},
    {.id = PANELDEBUG_LAG_NO, .constant = "PANELDEBUG_LAG_NO", .kind = Kind::Numeric, .type = ValueType::Double, .label = "Tick Lag (s)", .precision = 3, .indicator = true, .place = field(kState, 7, 2, 3)},
    {.id = PANELDEBUG_SHORT_ERR_CH2, .constant = "PANELDEBUG_SHORT_ERR_CH2", .kind = Kind::Numeric, .type = ValueType::Int, .label = "20 ms Errors Ch2", .indicator = true, .place = field(kState, 5, 2, 3)},
    {.id = PANELDEBUG_SHORT_ERR_CH1, .constant = "PANELDEBUG_SHORT_ERR_CH1", .kind = Kind::Numeric, .type = ValueType::Int, .label = "20 ms Errors Ch1", .indicator = true, .place = field(kState, 5, 0, 1)},
    {.id = PANELDEBUG_TRY_PHASES, .constant = "PANELDEBUG_TRY_PHASES", .kind = Kind::CommandButton, .callback = "CB_TryPhases", .label = "Try All Phases (Calibration Search)", .place = at(kPhaseTrial, 2, 0, 2)},
    {.id = PANELDEBUG_ERRFREE_BY_PHASE, .constant = "PANELDEBUG_ERRFREE_BY_PHASE", .kind = Kind::String, .type = ValueType::Text, .label = "Error Free by Phase", .indicator = true, .place = field(kPhaseTrial, 3, 0, 1)},
    {.id = PANELDEBUG_FULL_RATE_LED_CH2, .constant = "PANELDEBUG_FULL_RATE_LED_CH2", .kind = Kind::Led, .type = ValueType::Int, .label = "Full Rate Ch2", .place = field(kState, 6, 2, 3)},
    {.id = PANELDEBUG_ADJ_SUBCH_00, .constant = "PANELDEBUG_ADJ_SUBCH_00", .kind = Kind::Numeric, .type = ValueType::Int, .label = "00", .indicator = true, .place = field(kVernierPhase, 1, 0, 1)},
    {.id = PANELDEBUG_ADJ_SUBCH_01, .constant = "PANELDEBUG_ADJ_SUBCH_01", .kind = Kind::Numeric, .type = ValueType::Int, .label = "01", .indicator = true, .place = field(kVernierPhase, 1, 2, 3)},
    {.id = PANELDEBUG_ADJ_SUBCH_02, .constant = "PANELDEBUG_ADJ_SUBCH_02", .kind = Kind::Numeric, .type = ValueType::Int, .label = "02", .indicator = true, .place = field(kVernierPhase, 1, 4, 5)},
    {.id = PANELDEBUG_ADJ_SUBCH_03, .constant = "PANELDEBUG_ADJ_SUBCH_03", .kind = Kind::Numeric, .type = ValueType::Int, .label = "03", .indicator = true, .place = field(kVernierPhase, 1, 6, 7)},
    {.id = PANELDEBUG_ADJ_SUBCH_04, .constant = "PANELDEBUG_ADJ_SUBCH_04", .kind = Kind::Numeric, .type = ValueType::Int, .label = "04", .indicator = true, .place = field(kVernierPhase, 1, 8, 9)},
    {.id = PANELDEBUG_ADJ_SUBCH_05, .constant = "PANELDEBUG_ADJ_SUBCH_05", .kind = Kind::Numeric, .type = ValueType::Int, .label = "05", .indicator = true, .place = field(kVernierPhase, 1, 10, 11)},
    {.id = PANELDEBUG_ADJ_SUBCH_06, .constant = "PANELDEBUG_ADJ_SUBCH_06", .kind = Kind::Numeric, .type = ValueType::Int, .label = "06", .indicator = true, .place = field(kVernierPhase, 1, 12, 13)},
    {.id = PANELDEBUG_ADJ_SUBCH_07, .constant = "PANELDEBUG_ADJ_SUBCH_07", .kind = Kind::Numeric, .type = ValueType::Int, .label = "07", .indicator = true, .place = field(kVernierPhase, 1, 14, 15)},
    {.id = PANELDEBUG_ADJ_SUBCH_08, .constant = "PANELDEBUG_ADJ_SUBCH_08", .kind = Kind::Numeric, .type = ValueType::Int, .label = "08", .indicator = true, .place = field(kVernierPhase, 2, 0, 1)},
    {.id = PANELDEBUG_ADJ_SUBCH_09, .constant = "PANELDEBUG_ADJ_SUBCH_09", .kind = Kind::Numeric, .type = ValueType::Int, .label = "09", .indicator = true, .place = field(kVernierPhase, 2, 2, 3)},
    {.id = PANELDEBUG_ADJ_SUBCH_10, .constant = "PANELDEBUG_ADJ_SUBCH_10", .kind = Kind::Numeric, .type = ValueType::Int, .label = "10", .indicator = true, .place = field(kVernierPhase, 2, 4, 5)},
    {.id = PANELDEBUG_ADJ_SUBCH_11, .constant = "PANELDEBUG_ADJ_SUBCH_11", .kind = Kind::Numeric, .type = ValueType::Int, .label = "11", .indicator = true, .place = field(kVernierPhase, 2, 6, 7)},
    {.id = PANELDEBUG_ADJ_SUBCH_12, .constant = "PANELDEBUG_ADJ_SUBCH_12", .kind = Kind::Numeric, .type = ValueType::Int, .label = "12", .indicator = true, .place = field(kVernierPhase, 2, 8, 9)},
    {.id = PANELDEBUG_ADJ_SUBCH_13, .constant = "PANELDEBUG_ADJ_SUBCH_13", .kind = Kind::Numeric, .type = ValueType::Int, .label = "13", .indicator = true, .place = field(kVernierPhase, 2, 10, 11)},
    {.id = PANELDEBUG_ADJ_SUBCH_14, .constant = "PANELDEBUG_ADJ_SUBCH_14", .kind = Kind::Numeric, .type = ValueType::Int, .label = "14", .indicator = true, .place = field(kVernierPhase, 2, 12, 13)},
    {.id = PANELDEBUG_ADJ_SUBCH_15, .constant = "PANELDEBUG_ADJ_SUBCH_15", .kind = Kind::Numeric, .type = ValueType::Int, .label = "15", .indicator = true, .place = field(kVernierPhase, 2, 14, 15)},
    {.id = PANELDEBUG_ADJ_SUBCH_16, .constant = "PANELDEBUG_ADJ_SUBCH_16", .kind = Kind::Numeric, .type = ValueType::Int, .label = "16", .indicator = true, .place = field(kVernierPhase, 3, 0, 1)},
    {.id = PANELDEBUG_ADJ_SUBCH_17, .constant = "PANELDEBUG_ADJ_SUBCH_17", .kind = Kind::Numeric, .type = ValueType::Int, .label = "17", .indicator = true, .place = field(kVernierPhase, 3, 2, 3)},
    {.id = PANELDEBUG_ADJ_SUBCH_18, .constant = "PANELDEBUG_ADJ_SUBCH_18", .kind = Kind::Numeric, .type = ValueType::Int, .label = "18", .indicator = true, .place = field(kVernierPhase, 3, 4, 5)},
    {.id = PANELDEBUG_ADJ_SUBCH_19, .constant = "PANELDEBUG_ADJ_SUBCH_19", .kind = Kind::Numeric, .type = ValueType::Int, .label = "19", .indicator = true, .place = field(kVernierPhase, 3, 6, 7)},
    {.id = PANELDEBUG_ADJ_SUBCH_20, .constant = "PANELDEBUG_ADJ_SUBCH_20", .kind = Kind::Numeric, .type = ValueType::Int, .label = "20", .indicator = true, .place = field(kVernierPhase, 3, 8, 9)},
    {.id = PANELDEBUG_ADJ_SUBCH_21, .constant = "PANELDEBUG_ADJ_SUBCH_21", .kind = Kind::Numeric, .type = ValueType::Int, .label = "21", .indicator = true, .place = field(kVernierPhase, 3, 10, 11)},
    {.id = PANELDEBUG_ADJ_SUBCH_22, .constant = "PANELDEBUG_ADJ_SUBCH_22", .kind = Kind::Numeric, .type = ValueType::Int, .label = "22", .indicator = true, .place = field(kVernierPhase, 3, 12, 13)},
    {.id = PANELDEBUG_ADJ_SUBCH_23, .constant = "PANELDEBUG_ADJ_SUBCH_23", .kind = Kind::Numeric, .type = ValueType::Int, .label = "23", .indicator = true, .place = field(kVernierPhase, 3, 14, 15)},
    {.id = PANELDEBUG_ADJ_SUBCH_24, .constant = "PANELDEBUG_ADJ_SUBCH_24", .kind = Kind::Numeric, .type = ValueType::Int, .label = "24", .indicator = true, .place = field(kVernierPhase, 4, 0, 1)},
    {.id = PANELDEBUG_ADJ_SUBCH_25, .constant = "PANELDEBUG_ADJ_SUBCH_25", .kind = Kind::Numeric, .type = ValueType::Int, .label = "25", .indicator = true, .place = field(kVernierPhase, 4, 2, 3)},
    {.id = PANELDEBUG_ADJ_SUBCH_26, .constant = "PANELDEBUG_ADJ_SUBCH_26", .kind = Kind::Numeric, .type = ValueType::Int, .label = "26", .indicator = true, .place = field(kVernierPhase, 4, 4, 5)},
    {.id = PANELDEBUG_ADJ_SUBCH_27, .constant = "PANELDEBUG_ADJ_SUBCH_27", .kind = Kind::Numeric, .type = ValueType::Int, .label = "27", .indicator = true, .place = field(kVernierPhase, 4, 6, 7)},
    {.id = PANELDEBUG_ADJ_SUBCH_28, .constant = "PANELDEBUG_ADJ_SUBCH_28", .kind = Kind::Numeric, .type = ValueType::Int, .label = "28", .indicator = true, .place = field(kVernierPhase, 4, 8, 9)},
    {.id = PANELDEBUG_ADJ_SUBCH_29, .constant = "PANELDEBUG_ADJ_SUBCH_29", .kind = Kind::Numeric, .type = ValueType::Int, .label = "29", .indicator = true, .place = field(kVernierPhase, 4, 10, 11)},
    {.id = PANELDEBUG_ADJ_SUBCH_31, .constant = "PANELDEBUG_ADJ_SUBCH_31", .kind = Kind::Numeric, .type = ValueType::Int, .label = "31", .indicator = true, .place = field(kVernierPhase, 4, 14, 15)},
    {.id = PANELDEBUG_ADJ_SUBCH_30, .constant = "PANELDEBUG_ADJ_SUBCH_30", .kind = Kind::Numeric, .type = ValueType::Int, .label = "30", .indicator = true, .place = field(kVernierPhase, 4, 12, 13)},
    {.id = PANELDEBUG_ERRS_SUBCH_00, .constant = "PANELDEBUG_ERRS_SUBCH_00", .kind = Kind::Numeric, .type = ValueType::Int, .label = "00", .indicator = true, .place = field(kSubchannelErrors, 1, 0, 1)},
    {.id = PANELDEBUG_ERRS_SUBCH_01, .constant = "PANELDEBUG_ERRS_SUBCH_01", .kind = Kind::Numeric, .type = ValueType::Int, .label = "01", .indicator = true, .place = field(kSubchannelErrors, 1, 2, 3)},
    {.id = PANELDEBUG_ERRS_SUBCH_02, .constant = "PANELDEBUG_ERRS_SUBCH_02", .kind = Kind::Numeric, .type = ValueType::Int, .label = "02", .indicator = true, .place = field(kSubchannelErrors, 1, 4, 5)},
    {.id = PANELDEBUG_ERRS_SUBCH_03, .constant = "PANELDEBUG_ERRS_SUBCH_03", .kind = Kind::Numeric, .type = ValueType::Int, .label = "03", .indicator = true, .place = field(kSubchannelErrors, 1, 6, 7)},
    {.id = PANELDEBUG_ERRS_SUBCH_04, .constant = "PANELDEBUG_ERRS_SUBCH_04", .kind = Kind::Numeric, .type = ValueType::Int, .label = "04", .indicator = true, .place = field(kSubchannelErrors, 1, 8, 9)},
    {.id = PANELDEBUG_ERRS_SUBCH_05, .constant = "PANELDEBUG_ERRS_SUBCH_05", .kind = Kind::Numeric, .type = ValueType::Int, .label = "05", .indicator = true, .place = field(kSubchannelErrors, 1, 10, 11)},
    {.id = PANELDEBUG_ERRS_SUBCH_06, .constant = "PANELDEBUG_ERRS_SUBCH_06", .kind = Kind::Numeric, .type = ValueType::Int, .label = "06", .indicator = true, .place = field(kSubchannelErrors, 1, 12, 13)},
    {.id = PANELDEBUG_ERRS_SUBCH_07, .constant = "PANELDEBUG_ERRS_SUBCH_07", .kind = Kind::Numeric, .type = ValueType::Int, .label = "07", .indicator = true, .place = field(kSubchannelErrors, 1, 14, 15)},
    {.id = PANELDEBUG_ERRS_SUBCH_08, .constant = "PANELDEBUG_ERRS_SUBCH_08", .kind = Kind::Numeric, .type = ValueType::Int, .label = "08", .indicator = true, .place = field(kSubchannelErrors, 2, 0, 1)},
    {.id = PANELDEBUG_ERRS_SUBCH_09, .constant = "PANELDEBUG_ERRS_SUBCH_09", .kind = Kind::Numeric, .type = ValueType::Int, .label = "09", .indicator = true, .place = field(kSubchannelErrors, 2, 2, 3)},
    {.id = PANELDEBUG_ERRS_SUBCH_10, .constant = "PANELDEBUG_ERRS_SUBCH_10", .kind = Kind::Numeric, .type = ValueType::Int, .label = "10", .indicator = true, .place = field(kSubchannelErrors, 2, 4, 5)},
    {.id = PANELDEBUG_ERRS_SUBCH_11, .constant = "PANELDEBUG_ERRS_SUBCH_11", .kind = Kind::Numeric, .type = ValueType::Int, .label = "11", .indicator = true, .place = field(kSubchannelErrors, 2, 6, 7)},
    {.id = PANELDEBUG_ERRS_SUBCH_12, .constant = "PANELDEBUG_ERRS_SUBCH_12", .kind = Kind::Numeric, .type = ValueType::Int, .label = "12", .indicator = true, .place = field(kSubchannelErrors, 2, 8, 9)},
    {.id = PANELDEBUG_ERRS_SUBCH_13, .constant = "PANELDEBUG_ERRS_SUBCH_13", .kind = Kind::Numeric, .type = ValueType::Int, .label = "13", .indicator = true, .place = field(kSubchannelErrors, 2, 10, 11)},
    {.id = PANELDEBUG_ERRS_SUBCH_14, .constant = "PANELDEBUG_ERRS_SUBCH_14", .kind = Kind::Numeric, .type = ValueType::Int, .label = "14", .indicator = true, .place = field(kSubchannelErrors, 2, 12, 13)},
    {.id = PANELDEBUG_ERRS_SUBCH_15, .constant = "PANELDEBUG_ERRS_SUBCH_15", .kind = Kind::Numeric, .type = ValueType::Int, .label = "15", .indicator = true, .place = field(kSubchannelErrors, 2, 14, 15)},
    {.id = PANELDEBUG_ERRS_SUBCH_16, .constant = "PANELDEBUG_ERRS_SUBCH_16", .kind = Kind::Numeric, .type = ValueType::Int, .label = "16", .indicator = true, .place = field(kSubchannelErrors, 3, 0, 1)},
    {.id = PANELDEBUG_ERRS_SUBCH_17, .constant = "PANELDEBUG_ERRS_SUBCH_17", .kind = Kind::Numeric, .type = ValueType::Int, .label = "17", .indicator = true, .place = field(kSubchannelErrors, 3, 2, 3)},
    {.id = PANELDEBUG_ERRS_SUBCH_18, .constant = "PANELDEBUG_ERRS_SUBCH_18", .kind = Kind::Numeric, .type = ValueType::Int, .label = "18", .indicator = true, .place = field(kSubchannelErrors, 3, 4, 5)},
    {.id = PANELDEBUG_ERRS_SUBCH_19, .constant = "PANELDEBUG_ERRS_SUBCH_19", .kind = Kind::Numeric, .type = ValueType::Int, .label = "19", .indicator = true, .place = field(kSubchannelErrors, 3, 6, 7)},
    {.id = PANELDEBUG_ERRS_SUBCH_20, .constant = "PANELDEBUG_ERRS_SUBCH_20", .kind = Kind::Numeric, .type = ValueType::Int, .label = "20", .indicator = true, .place = field(kSubchannelErrors, 3, 8, 9)},
    {.id = PANELDEBUG_ERRS_SUBCH_21, .constant = "PANELDEBUG_ERRS_SUBCH_21", .kind = Kind::Numeric, .type = ValueType::Int, .label = "21", .indicator = true, .place = field(kSubchannelErrors, 3, 10, 11)},
    {.id = PANELDEBUG_ERRS_SUBCH_22, .constant = "PANELDEBUG_ERRS_SUBCH_22", .kind = Kind::Numeric, .type = ValueType::Int, .label = "22", .indicator = true, .place = field(kSubchannelErrors, 3, 12, 13)},
    {.id = PANELDEBUG_ERRS_SUBCH_23, .constant = "PANELDEBUG_ERRS_SUBCH_23", .kind = Kind::Numeric, .type = ValueType::Int, .label = "23", .indicator = true, .place = field(kSubchannelErrors, 3, 14, 15)},
    {.id = PANELDEBUG_ERRS_SUBCH_24, .constant = "PANELDEBUG_ERRS_SUBCH_24", .kind = Kind::Numeric, .type = ValueType::Int, .label = "24", .indicator = true, .place = field(kSubchannelErrors, 4, 0, 1)},
    {.id = PANELDEBUG_ERRS_SUBCH_25, .constant = "PANELDEBUG_ERRS_SUBCH_25", .kind = Kind::Numeric, .type = ValueType::Int, .label = "25", .indicator = true, .place = field(kSubchannelErrors, 4, 2, 3)},
    {.id = PANELDEBUG_ERRS_SUBCH_26, .constant = "PANELDEBUG_ERRS_SUBCH_26", .kind = Kind::Numeric, .type = ValueType::Int, .label = "26", .indicator = true, .place = field(kSubchannelErrors, 4, 4, 5)},
    {.id = PANELDEBUG_ERRS_SUBCH_27, .constant = "PANELDEBUG_ERRS_SUBCH_27", .kind = Kind::Numeric, .type = ValueType::Int, .label = "27", .indicator = true, .place = field(kSubchannelErrors, 4, 6, 7)},
    {.id = PANELDEBUG_ERRS_SUBCH_28, .constant = "PANELDEBUG_ERRS_SUBCH_28", .kind = Kind::Numeric, .type = ValueType::Int, .label = "28", .indicator = true, .place = field(kSubchannelErrors, 4, 8, 9)},
    {.id = PANELDEBUG_ERRS_SUBCH_29, .constant = "PANELDEBUG_ERRS_SUBCH_29", .kind = Kind::Numeric, .type = ValueType::Int, .label = "29", .indicator = true, .place = field(kSubchannelErrors, 4, 10, 11)},
    {.id = PANELDEBUG_ERRS_SUBCH_31, .constant = "PANELDEBUG_ERRS_SUBCH_31", .kind = Kind::Numeric, .type = ValueType::Int, .label = "31", .indicator = true, .place = field(kSubchannelErrors, 4, 14, 15)},
    {.id = PANELDEBUG_ERRS_SUBCH_30, .constant = "PANELDEBUG_ERRS_SUBCH_30", .kind = Kind::Numeric, .type = ValueType::Int, .label = "30", .indicator = true, .place = field(kSubchannelErrors, 4, 12, 13)},
    {.id = PANELDEBUG_TOT_ERR_TRIG_CH1, .constant = "PANELDEBUG_TOT_ERR_TRIG_CH1", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Start Countdown Ch1", .indicator = true, .place = field(kState, 6, 0, 1)},
    {.id = PANELDEBUG_SYNC_LED_CH2, .constant = "PANELDEBUG_SYNC_LED_CH2", .kind = Kind::Led, .type = ValueType::Int, .label = "Sync Ch2", .place = field(kState, 3, 2, 3)},
    {.id = PANELDEBUG_INV_LED_CH2, .constant = "PANELDEBUG_INV_LED_CH2", .kind = Kind::Led, .type = ValueType::Int, .label = "Inverted Ch2", .on_color = 0xFF0000, .place = field(kState, 4, 2, 3)},
    {.id = PANELDEBUG_INV_LED_CH1, .constant = "PANELDEBUG_INV_LED_CH1", .kind = Kind::Led, .type = ValueType::Int, .label = "Inverted Ch1", .on_color = 0xFF0000, .place = field(kState, 4, 0, 1)},
    {.id = PANELDEBUG_SYNC_LED_CH1, .constant = "PANELDEBUG_SYNC_LED_CH1", .kind = Kind::Led, .type = ValueType::Int, .label = "Sync Ch1", .place = field(kState, 3, 0, 1)},
    {.id = PANELDEBUG_DATA_THRESH_CH1_N_IND, .constant = "PANELDEBUG_DATA_THRESH_CH1_N_IND", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Thresh N Ch1", .indicator = true, .place = field(kDacReadBack, 3, 0, 1)},
    {.id = PANELDEBUG_SAMP_DLY_CH2_IND, .constant = "PANELDEBUG_SAMP_DLY_CH2_IND", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Sampling Delay Ch2", .indicator = true, .place = field(kDacReadBack, 5, 2, 3)},
    {.id = PANELDEBUG_SAMP_DLY_CH1_IND, .constant = "PANELDEBUG_SAMP_DLY_CH1_IND", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Sampling Delay Ch1", .indicator = true, .place = field(kDacReadBack, 5, 0, 1)},
    {.id = PANELDEBUG_CLK_DUTY_CH2_IND, .constant = "PANELDEBUG_CLK_DUTY_CH2_IND", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Clock Duty Ch2", .indicator = true, .place = field(kDacReadBack, 4, 2, 3)},
    {.id = PANELDEBUG_CLK_DUTY_CH1_IND, .constant = "PANELDEBUG_CLK_DUTY_CH1_IND", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Clock Duty Ch1", .indicator = true, .place = field(kDacReadBack, 4, 0, 1)},
    {.id = PANELDEBUG_DATA_THRESH_CH2_N_IND, .constant = "PANELDEBUG_DATA_THRESH_CH2_N_IND", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Thresh N Ch2", .indicator = true, .place = field(kDacReadBack, 3, 2, 3)},
    {.id = PANELDEBUG_DATA_THRESH_CH2_P_IND, .constant = "PANELDEBUG_DATA_THRESH_CH2_P_IND", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Thresh P Ch2", .indicator = true, .place = field(kDacReadBack, 2, 2, 3)},
    {.id = PANELDEBUG_DATA_THRESH_CH1_P_IND, .constant = "PANELDEBUG_DATA_THRESH_CH1_P_IND", .kind = Kind::Numeric, .type = ValueType::Int, .label = "Thresh P Ch1", .indicator = true, .place = field(kDacReadBack, 2, 0, 1)},
    {.id = PANELDEBUG_TEXTMSG_22, .constant = "PANELDEBUG_TEXTMSG_22", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Sample Length", .place = at(kSampleLength, 0, 0, 2, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_21, .constant = "PANELDEBUG_TEXTMSG_21", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Phase Trial", .place = at(kPhaseTrial, 0, 0, 2, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_20, .constant = "PANELDEBUG_TEXTMSG_20", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Routines", .place = at(kRoutines, 0, 0, 2, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_19, .constant = "PANELDEBUG_TEXTMSG_19", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Log", .place = at(kLog, 0, 0, 1, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_18, .constant = "PANELDEBUG_TEXTMSG_18", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Loop", .place = at(kLoop, 0, 0, 2, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_17, .constant = "PANELDEBUG_TEXTMSG_17", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Vernier Phase", .place = at(kVernierPhase, 0, 0, 16, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_2, .constant = "PANELDEBUG_TEXTMSG_2", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Subchannel Errors", .place = at(kSubchannelErrors, 0, 0, 16, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_10, .constant = "PANELDEBUG_TEXTMSG_10", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Snapshot", .place = at(kSnapshot, 0, 0, 4, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_11, .constant = "PANELDEBUG_TEXTMSG_11", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Channel State", .place = at(kState, 0, 0, 4, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_12, .constant = "PANELDEBUG_TEXTMSG_12", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Phase Settings", .place = at(kPhases, 0, 0, 4, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_13, .constant = "PANELDEBUG_TEXTMSG_13", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Debug Prints", .place = at(kPrints, 0, 0, 3, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_14, .constant = "PANELDEBUG_TEXTMSG_14", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Tuning", .place = at(kTuning, 0, 0, 2, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_15, .constant = "PANELDEBUG_TEXTMSG_15", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "DAC Read-back", .place = at(kDacReadBack, 0, 0, 4, Look::Heading)},
    {.id = PANELDEBUG_TEXTMSG_16, .constant = "PANELDEBUG_TEXTMSG_16", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Search Results", .place = at(kSearchResults, 0, 0, 2, Look::Heading)},
    {.id = PANELDEBUG_SCAN_SCECS, .constant = "PANELDEBUG_SCAN_SCECS", .kind = Kind::Checkbox, .type = ValueType::Int, .label = "Scan Subchannels", .place = at(kSubchannelErrors, 5, 0, 16)},
    {.id = PANELDEBUG_CH1_READ, .constant = "PANELDEBUG_CH1_READ", .kind = Kind::CommandButton, .callback = "CB_ReadDAC", .label = "Read Ch1 DAC", .place = at(kDacReadBack, 1, 0, 2)},
    {.id = PANELDEBUG_HB, .constant = "PANELDEBUG_HB", .kind = Kind::Led, .type = ValueType::Int, .label = "Heartbeat", .place = field(kState, 7, 0, 1)},
    {.id = PANELDEBUG_CH2_READ, .constant = "PANELDEBUG_CH2_READ", .kind = Kind::CommandButton, .callback = "CB_ReadDAC", .label = "Read Ch2 DAC", .place = at(kDacReadBack, 1, 2, 2)},
    {.id = PANELDEBUG_LOOP_LOCK_CH2, .constant = "PANELDEBUG_LOOP_LOCK_CH2", .kind = Kind::Checkbox, .type = ValueType::Int, .callback = "CB_Debug", .label = "Loop Lock Ch2", .place = at(kLoop, 1, 1)},
    {.id = PANELDEBUG_LOOP_LOCK_CH1, .constant = "PANELDEBUG_LOOP_LOCK_CH1", .kind = Kind::Checkbox, .type = ValueType::Int, .callback = "CB_Debug", .label = "Loop Lock Ch1", .place = at(kLoop, 1, 0)},
    {.id = PANELDEBUG_SCOPE, .constant = "PANELDEBUG_SCOPE", .kind = Kind::CommandButton, .callback = "open_scope_panel", .label = "Scope", .place = at(kDebugButtons, 1, 0)},
    {.id = PANELDEBUG_EXTRA_DELAY, .constant = "PANELDEBUG_EXTRA_DELAY", .kind = Kind::Numeric, .type = ValueType::Float, .label = "Extra Delay (s)", .has_range = true, .min = 0.0, .max = 1.0, .increment = 0.001, .precision = 3, .place = field(kTuning, 3, 0, 1)},
    {.id = PANELDEBUG_USB_RESET, .constant = "PANELDEBUG_USB_RESET", .kind = Kind::CommandButton, .callback = "UsbReset", .label = "USB Reset", .place = at(kDebugButtons, 1, 1)},
    {.id = PANELDEBUG_SAMPLE_LEN, .constant = "PANELDEBUG_SAMPLE_LEN", .kind = Kind::Numeric, .type = ValueType::Int64, .label = "Sample Length (bits)", .value = 17179869184.0, .has_range = true, .min = 0.0, .max = 281474976710656.0, .place = field(kSampleLength, 1, 0, 1)},
};
// clang-format on

// One control per line, read as a table.
// clang-format off
const ControlDef kMainControls[] = {
    {.id = PANELMAIN_CMDQUIT, .constant = "PANELMAIN_CMDQUIT", .kind = Kind::CommandButton, .callback = "QuitAll", .label = "Quit", .place = at(kTopBar, 0, 9)},
    {.id = PANELMAIN_NOTIFY_USER, .constant = "PANELMAIN_NOTIFY_USER", .kind = Kind::String, .type = ValueType::Text, .text = "USB NOT CONNECTED", .indicator = true, .text_color = 0x800000, .place = at(kTopBar, 0, 1, 1, Look::Figure)},
    {.id = PANELMAIN_CH1_SAMPDEL, .constant = "PANELMAIN_CH1_SAMPDEL", .kind = Kind::NumericSlide, .type = ValueType::Float, .callback = "CB_DAC", .label = "Sampling Delay", .tooltip = "Skew Adjustment, Clock to Data", .has_range = true, .min = 0.0, .max = 2.7, .increment = 0.001, .precision = 3, .place = field(kCh1Settings, 4, 0, 2, 5)},
    {.id = PANELMAIN_CH1_THRES, .constant = "PANELMAIN_CH1_THRES", .kind = Kind::NumericSlide, .type = ValueType::Float, .callback = "CB_DAC", .label = "Data Offset", .has_range = true, .min = -89.45, .max = 89.45, .increment = 0.1, .precision = 2, .place = field(kCh1Settings, 3, 0, 2, 5)},
    {.id = PANELMAIN_CH2_THRES, .constant = "PANELMAIN_CH2_THRES", .kind = Kind::NumericSlide, .type = ValueType::Float, .callback = "CB_DAC", .label = "Data Offset", .has_range = true, .min = -89.45, .max = 89.45, .increment = 0.1, .precision = 2, .place = field(kCh2Settings, 3, 0, 2, 5)},
    {.id = PANELMAIN_CH2_SAMPDEL, .constant = "PANELMAIN_CH2_SAMPDEL", .kind = Kind::NumericSlide, .type = ValueType::Float, .callback = "CB_DAC", .label = "Sampling Delay", .tooltip = "Skew Adjustment, Clock to Data", .has_range = true, .min = 0.0, .max = 2.7, .increment = 0.001, .precision = 3, .place = field(kCh2Settings, 4, 0, 2, 5)},
    {.id = PANELMAIN_TIMER, .constant = "PANELMAIN_TIMER", .kind = Kind::Timer, .callback = "CBTimer", .interval = 0.2, .enabled = true},
    {.id = PANELMAIN_DATA_SELECT_CH2, .constant = "PANELMAIN_DATA_SELECT_CH2", .kind = Kind::Ring, .type = ValueType::UInt, .callback = "general_purpose_IO", .label = "Data Pattern", .value = 8.0, .items = kPatternItems, .place = field(kCh2Settings, 1, 0, 2)},
    {.id = PANELMAIN_DATA_SELECT_CH1, .constant = "PANELMAIN_DATA_SELECT_CH1", .kind = Kind::Ring, .type = ValueType::UInt, .callback = "general_purpose_IO", .label = "Data Pattern", .value = 8.0, .items = kPatternItems, .place = field(kCh1Settings, 1, 0, 2)},
    {.id = PANELMAIN_VER, .constant = "PANELMAIN_VER", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "V " KD71_VERSION_NUMBER, .place = at(kTopBar, 0, 8)},
    {.id = PANELMAIN_TEXTMSG_7, .constant = "PANELMAIN_TEXTMSG_7", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Error Detector", .place = at(kTopBar, 0, 0, 1, Look::Title)},
    {.id = PANELMAIN_RING_IN_CLK_CH2, .constant = "PANELMAIN_RING_IN_CLK_CH2", .kind = Kind::Ring, .type = ValueType::Int, .callback = "general_purpose_IO", .label = "Input Clock", .value = 1.0, .items = kInputClockItems, .place = field(kCh2Settings, 1, 4, 6, 2)},
    {.id = PANELMAIN_RING_IN_CLK_CH1, .constant = "PANELMAIN_RING_IN_CLK_CH1", .kind = Kind::Ring, .type = ValueType::Int, .callback = "general_purpose_IO", .label = "Input Clock", .value = 1.0, .items = kInputClockItems, .place = field(kCh1Settings, 1, 4, 6, 2)},
    {.id = PANELMAIN_CKBX_MANUAL_MD_CH2, .constant = "PANELMAIN_CKBX_MANUAL_MD_CH2", .kind = Kind::Checkbox, .type = ValueType::Int, .callback = "general_purpose_IO", .label = "Manual Mode", .place = at(kCh2Settings, 2, 0, 3)},
    {.id = PANELMAIN_CKBX_MANUAL_MD_CH1, .constant = "PANELMAIN_CKBX_MANUAL_MD_CH1", .kind = Kind::Checkbox, .type = ValueType::Int, .callback = "general_purpose_IO", .label = "Manual Mode", .place = at(kCh1Settings, 2, 0, 3)},
    {.id = PANELMAIN_DECORATION, .constant = "PANELMAIN_DECORATION", .kind = Kind::Decoration},
    {.id = PANELMAIN_DECORATION_15, .constant = "PANELMAIN_DECORATION_15", .kind = Kind::Decoration},
    {.id = PANELMAIN_DECORATION_14, .constant = "PANELMAIN_DECORATION_14", .kind = Kind::Decoration},
    {.id = PANELMAIN_DECORATION_13, .constant = "PANELMAIN_DECORATION_13", .kind = Kind::Decoration},
    {.id = PANELMAIN_CANVAS, .constant = "PANELMAIN_CANVAS", .kind = Kind::Canvas},
    {.id = PANELMAIN_CLOCK_FREQUENCY_CH2, .constant = "PANELMAIN_CLOCK_FREQUENCY_CH2", .kind = Kind::Numeric, .type = ValueType::Float, .label = "Bit Rate", .precision = 3, .indicator = true, .place = field(kCh2Link, 1, 0, 2, 1, Look::Figure)},
    {.id = PANELMAIN_TOT_ERROR_RATIO_CH2, .constant = "PANELMAIN_TOT_ERROR_RATIO_CH2", .kind = Kind::Numeric, .type = ValueType::Float, .label = "Total Error Ratio", .precision = 3, .scientific = true, .indicator = true, .place = field(kCh2Test, 3, 0, 2)},
    {.id = PANELMAIN_ERROR_RATIO_CH2, .constant = "PANELMAIN_ERROR_RATIO_CH2", .kind = Kind::Numeric, .type = ValueType::Float, .label = "Error Ratio", .precision = 3, .scientific = true, .indicator = true, .place = field(kCh2Sample, 2, 0, 2, 1, Look::Figure)},
    {.id = PANELMAIN_ERROR_FREE_CH2_2, .constant = "PANELMAIN_ERROR_FREE_CH2_2", .kind = Kind::Numeric, .type = ValueType::UInt, .label = "Error Free", .indicator = true},
    {.id = PANELMAIN_ERROR_FREE_CH2, .constant = "PANELMAIN_ERROR_FREE_CH2", .kind = Kind::Numeric, .type = ValueType::UInt, .label = "Error Free", .indicator = true, .place = field(kCh2Sample, 1, 4, 6)},
    {.id = PANELMAIN_ERROR_COUNT_CH2, .constant = "PANELMAIN_ERROR_COUNT_CH2", .kind = Kind::Numeric, .type = ValueType::Int64, .label = "Error Count", .indicator = true, .place = field(kCh2Sample, 1, 0, 2, 1, Look::Figure)},
    {.id = PANELMAIN_BIT_TIME_CH2, .constant = "PANELMAIN_BIT_TIME_CH2", .kind = Kind::Numeric, .type = ValueType::Float, .label = "Bit Time", .precision = 2, .indicator = true, .place = field(kCh2Link, 1, 4, 6)},
    {.id = PANELMAIN_BIT_TIME_CH1, .constant = "PANELMAIN_BIT_TIME_CH1", .kind = Kind::Numeric, .type = ValueType::Float, .label = "Bit Time", .precision = 2, .indicator = true, .place = field(kCh1Link, 1, 4, 6)},
    {.id = PANELMAIN_CLOCK_FREQUENCY_CH1, .constant = "PANELMAIN_CLOCK_FREQUENCY_CH1", .kind = Kind::Numeric, .type = ValueType::Float, .label = "Bit Rate", .precision = 3, .indicator = true, .place = field(kCh1Link, 1, 0, 2, 1, Look::Figure)},
    {.id = PANELMAIN_ERROR_HIST_BAR_CH2, .constant = "PANELMAIN_ERROR_HIST_BAR_CH2", .kind = Kind::NumericSlide, .type = ValueType::UInt, .label = "Error Level", .has_range = true, .min = 0.0, .max = 100.0, .indicator = true, .place = field(kCh2Sample, 2, 4, 6, 2)},
    {.id = PANELMAIN_TOT_ERROR_RATIO_CH1, .constant = "PANELMAIN_TOT_ERROR_RATIO_CH1", .kind = Kind::Numeric, .type = ValueType::Float, .label = "Total Error Ratio", .precision = 3, .scientific = true, .indicator = true, .place = field(kCh1Test, 3, 0, 2)},
    {.id = PANELMAIN_ERROR_RATIO_CH1, .constant = "PANELMAIN_ERROR_RATIO_CH1", .kind = Kind::Numeric, .type = ValueType::Float, .label = "Error Ratio", .precision = 3, .scientific = true, .indicator = true, .place = field(kCh1Sample, 2, 0, 2, 1, Look::Figure)},
    {.id = PANELMAIN_ERROR_FREE_CH1_2, .constant = "PANELMAIN_ERROR_FREE_CH1_2", .kind = Kind::Numeric, .type = ValueType::UInt, .label = "Error Free", .indicator = true},
    {.id = PANELMAIN_ERROR_FREE_CH1, .constant = "PANELMAIN_ERROR_FREE_CH1", .kind = Kind::Numeric, .type = ValueType::UInt, .label = "Error Free", .indicator = true, .place = field(kCh1Sample, 1, 4, 6)},
    {.id = PANELMAIN_ONES_CNT_CH2, .constant = "PANELMAIN_ONES_CNT_CH2", .kind = Kind::Numeric, .type = ValueType::UInt, .label = "Ones in 256", .has_range = true, .min = 0.0, .max = 255.0, .indicator = true, .place = field(kCh2Link, 2, 4, 6)},
    {.id = PANELMAIN_ERROR_COUNT_CH1, .constant = "PANELMAIN_ERROR_COUNT_CH1", .kind = Kind::Numeric, .type = ValueType::Int64, .label = "Error Count", .indicator = true, .place = field(kCh1Sample, 1, 0, 2, 1, Look::Figure)},
    {.id = PANELMAIN_TEXTMSG_8, .constant = "PANELMAIN_TEXTMSG_8", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Channel 1", .place = at(kCh1Link, 0, 0, 8, Look::Title)},
    {.id = PANELMAIN_ERROR_HIST_BAR_CH1, .constant = "PANELMAIN_ERROR_HIST_BAR_CH1", .kind = Kind::NumericSlide, .type = ValueType::UInt, .label = "Error Level", .has_range = true, .min = 0.0, .max = 100.0, .indicator = true, .place = field(kCh1Sample, 2, 4, 6, 2)},
    {.id = PANELMAIN_RETRIES, .constant = "PANELMAIN_RETRIES", .kind = Kind::Numeric, .type = ValueType::UInt, .label = "Retries", .indicator = true, .visible = false, .place = field(kTopBar, 0, 6, 7)},
    {.id = PANELMAIN_TEXTMSG, .constant = "PANELMAIN_TEXTMSG", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Channel 2", .place = at(kCh2Link, 0, 0, 8, Look::Title)},
    {.id = PANELMAIN_ONES_CNT_CH1, .constant = "PANELMAIN_ONES_CNT_CH1", .kind = Kind::Numeric, .type = ValueType::UInt, .label = "Ones in 256", .has_range = true, .min = 0.0, .max = 255.0, .indicator = true, .place = field(kCh1Link, 2, 4, 6)},
    {.id = PANELMAIN_DEVICE_SN, .constant = "PANELMAIN_DEVICE_SN", .kind = Kind::String, .type = ValueType::Text, .label = "Serial Number", .indicator = true, .place = field(kTopBar, 0, 2, 3)},
    {.id = PANELMAIN_FIRMWARE_VER_NO, .constant = "PANELMAIN_FIRMWARE_VER_NO", .kind = Kind::String, .type = ValueType::Text, .label = "Firmware", .indicator = true, .place = field(kTopBar, 0, 4, 5)},
    {.id = PANELMAIN_TEXTMSG_19, .constant = "PANELMAIN_TEXTMSG_19", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "ps", .place = at(kCh1Link, 1, 7)},
    {.id = PANELMAIN_TEXTMSG_24, .constant = "PANELMAIN_TEXTMSG_24", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "ps", .place = at(kCh2Link, 1, 7)},
    {.id = PANELMAIN_TEXTMSG_20, .constant = "PANELMAIN_TEXTMSG_20", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "s", .place = at(kCh2Sample, 1, 7)},
    {.id = PANELMAIN_TEXTMSG_18, .constant = "PANELMAIN_TEXTMSG_18", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "s", .place = at(kCh1Sample, 1, 7)},
    {.id = PANELMAIN_TEXTMSG_26, .constant = "PANELMAIN_TEXTMSG_26", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Last Sample", .place = at(kCh2Sample, 0, 0, 8, Look::Heading)},
    {.id = PANELMAIN_TEXTMSG_12, .constant = "PANELMAIN_TEXTMSG_12", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Last Sample", .place = at(kCh1Sample, 0, 0, 8, Look::Heading)},
    {.id = PANELMAIN_TEXTMSG_25, .constant = "PANELMAIN_TEXTMSG_25", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Timed Test", .place = at(kCh2Test, 0, 0, 8, Look::Heading)},
    {.id = PANELMAIN_TEXTMSG_13, .constant = "PANELMAIN_TEXTMSG_13", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Timed Test", .place = at(kCh1Test, 0, 0, 8, Look::Heading)},
    {.id = PANELMAIN_TEXTMSG_15, .constant = "PANELMAIN_TEXTMSG_15", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Settings", .place = at(kCh2Settings, 0, 0, 8, Look::Heading)},
    {.id = PANELMAIN_TEXTMSG_14, .constant = "PANELMAIN_TEXTMSG_14", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Settings", .place = at(kCh1Settings, 0, 0, 8, Look::Heading)},
    {.id = PANELMAIN_TEXTMSG_16, .constant = "PANELMAIN_TEXTMSG_16", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Test Interval (s)", .place = at(kCh1Test, 1, 4)},
    {.id = PANELMAIN_CH2_AUTOSEARCH, .constant = "PANELMAIN_CH2_AUTOSEARCH", .kind = Kind::CommandButton, .callback = "AutoSearch", .label = "Sampling Delay Auto Search", .place = at(kCh2Commands, 0, 2, 3)},
    {.id = PANELMAIN_TEXTMSG_17, .constant = "PANELMAIN_TEXTMSG_17", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Test Interval (s)", .place = at(kCh2Test, 1, 4)},
    {.id = PANELMAIN_CH1_AUTOSEARCH, .constant = "PANELMAIN_CH1_AUTOSEARCH", .kind = Kind::CommandButton, .callback = "AutoSearch", .label = "Sampling Delay Auto Search", .place = at(kCh1Commands, 0, 2, 3)},
    {.id = PANELMAIN_COM_TOT_ERR_CNT_CH1, .constant = "PANELMAIN_COM_TOT_ERR_CNT_CH1", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "CB_TotalErrCntButton", .label = "Total Error Count", .place = at(kCh1Test, 1, 0, 3)},
    {.id = PANELMAIN_CH1_AUTOSEARCH_STOP, .constant = "PANELMAIN_CH1_AUTOSEARCH_STOP", .kind = Kind::CommandButton, .label = "Stop", .place = at(kCh1Commands, 0, 5, 3)},
    {.id = PANELMAIN_COM_TOT_ERR_CNT_CH2, .constant = "PANELMAIN_COM_TOT_ERR_CNT_CH2", .kind = Kind::ToggleButton, .type = ValueType::Int, .callback = "CB_TotalErrCntButton", .label = "Total Error Count", .place = at(kCh2Test, 1, 0, 3)},
    {.id = PANELMAIN_CH2_AUTOSEARCH_STOP, .constant = "PANELMAIN_CH2_AUTOSEARCH_STOP", .kind = Kind::CommandButton, .label = "Stop", .place = at(kCh2Commands, 0, 5, 3)},
    {.id = PANELMAIN_ELAPSED_TIME_CH2, .constant = "PANELMAIN_ELAPSED_TIME_CH2", .kind = Kind::String, .type = ValueType::Text, .label = "Elapsed Time", .text = "0:00:00", .indicator = true, .place = field(kCh2Test, 2, 4, 6)},
    {.id = PANELMAIN_TOT_ERROR_COUNT_CH2, .constant = "PANELMAIN_TOT_ERROR_COUNT_CH2", .kind = Kind::String, .type = ValueType::Text, .label = "Total Errors", .text = "0,000,000,000,000", .indicator = true, .place = field(kCh2Test, 2, 0, 2)},
    {.id = PANELMAIN_TOT_ERROR_COUNT_CH1, .constant = "PANELMAIN_TOT_ERROR_COUNT_CH1", .kind = Kind::String, .type = ValueType::Text, .label = "Total Errors", .text = "0,000,000,000,000", .indicator = true, .place = field(kCh1Test, 2, 0, 2)},
    {.id = PANELMAIN_ELAPSED_TIME_CH1, .constant = "PANELMAIN_ELAPSED_TIME_CH1", .kind = Kind::String, .type = ValueType::Text, .label = "Elapsed Time", .text = "0:00:00", .indicator = true, .place = field(kCh1Test, 2, 4, 6)},
    {.id = PANELMAIN_NO_ERR_IND_CH2, .constant = "PANELMAIN_NO_ERR_IND_CH2", .kind = Kind::ColorIndicator, .type = ValueType::Int, .label = "No Errors", .indicator = true, .place = field(kCh2Link, 2, 0, 2)},
    {.id = PANELMAIN_NO_ERR_IND_CH1, .constant = "PANELMAIN_NO_ERR_IND_CH1", .kind = Kind::ColorIndicator, .type = ValueType::Int, .label = "No Errors", .indicator = true, .place = field(kCh1Link, 2, 0, 2)},
    {.id = PANELMAIN_TEXTMSG_LT_CH2, .constant = "PANELMAIN_TEXTMSG_LT_CH2", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "<", .visible = false, .place = at(kCh2Test, 3, 1)},
    {.id = PANELMAIN_TEXTMSG_LT_CH1, .constant = "PANELMAIN_TEXTMSG_LT_CH1", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "<", .visible = false, .place = at(kCh1Test, 3, 1)},
    {.id = PANELMAIN_TEXTMSG_LT_ER_CH1, .constant = "PANELMAIN_TEXTMSG_LT_ER_CH1", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "<", .visible = false, .place = at(kCh1Sample, 2, 1, 1, Look::Figure)},
    {.id = PANELMAIN_TEXTMSG_LT_ER_CH2, .constant = "PANELMAIN_TEXTMSG_LT_ER_CH2", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "<", .visible = false, .place = at(kCh2Sample, 2, 1, 1, Look::Figure)},
    {.id = PANELMAIN_TEST_INTERVAL_CH1, .constant = "PANELMAIN_TEST_INTERVAL_CH1", .kind = Kind::Numeric, .type = ValueType::UInt, .label = "Test Interval", .value = 60.0, .has_range = true, .min = 1.0, .max = 8640000.0, .place = at(kCh1Test, 1, 6)},
    {.id = PANELMAIN_TEST_INTERVAL_CH2, .constant = "PANELMAIN_TEST_INTERVAL_CH2", .kind = Kind::Numeric, .type = ValueType::UInt, .label = "Test Interval", .value = 60.0, .has_range = true, .min = 1.0, .max = 8640000.0, .place = at(kCh2Test, 1, 6)},
    {.id = PANELMAIN_INIT_CH2, .constant = "PANELMAIN_INIT_CH2", .kind = Kind::CommandButton, .callback = "CB_InitChan", .label = "Init", .place = at(kCh2Commands, 0, 0, 2)},
    {.id = PANELMAIN_INIT_CH1, .constant = "PANELMAIN_INIT_CH1", .kind = Kind::CommandButton, .callback = "CB_InitChan", .label = "Init", .place = at(kCh1Commands, 0, 0, 2)},
    {.id = PANELMAIN_TEXTMSG_CH1_GBPS, .constant = "PANELMAIN_TEXTMSG_CH1_GBPS", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Gbps", .place = at(kCh1Link, 1, 3)},
    {.id = PANELMAIN_TEXTMSG_CH2_GBPS, .constant = "PANELMAIN_TEXTMSG_CH2_GBPS", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "Gbps", .place = at(kCh2Link, 1, 3)},
    {.id = PANELMAIN_TEXTMSG_MV_CH1, .constant = "PANELMAIN_TEXTMSG_MV_CH1", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "mV", .place = at(kCh1Settings, 3, 7)},
    {.id = PANELMAIN_TEXTMSG_MV_CH2, .constant = "PANELMAIN_TEXTMSG_MV_CH2", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "mV", .place = at(kCh2Settings, 3, 7)},
    {.id = PANELMAIN_TEXTMSG_SDAS_CH1, .constant = "PANELMAIN_TEXTMSG_SDAS_CH1", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "V", .place = at(kCh1Settings, 4, 7)},
    {.id = PANELMAIN_TEXTMSG_SDAS_CH2, .constant = "PANELMAIN_TEXTMSG_SDAS_CH2", .kind = Kind::TextMessage, .type = ValueType::Text, .text = "V", .place = at(kCh2Settings, 4, 7)},
};
// clang-format on

// One control per line, read as a table.
// clang-format off
const ControlDef kScopeControls[] = {
    {.id = PANELSCOPE_GRAPH_ERRS, .constant = "PANELSCOPE_GRAPH_ERRS", .kind = Kind::Graph, .label = "Errs", .x_label = "Threshold", .y_label = "Errs", .place = at(kScopeGraphs, 1, 0, 2)},
    {.id = PANELSCOPE_GRAPH_ONES, .constant = "PANELSCOPE_GRAPH_ONES", .kind = Kind::Graph, .label = "Ones", .x_label = "Threshold", .y_label = "Ones", .place = at(kScopeGraphs, 0, 0, 2)},
    {.id = PANELSCOPE_INV_LED, .constant = "PANELSCOPE_INV_LED", .kind = Kind::Led, .type = ValueType::Int, .label = "Inverted", .place = field(kScopeGraphs, 2, 0, 1)},
};
// clang-format on

constexpr MenuItemDef kMenuItems[] = {
    {.id = MENUBAR_ITEM1, .constant = "MENUBAR_ITEM1", .label = "Debug", .callback = "Debug"},
    {.id = MENUBAR_FILE, .constant = "MENUBAR_FILE", .label = "File"},
    {.id = MENUBAR_FILE_FILESAVEAS,
     .constant = "MENUBAR_FILE_FILESAVEAS",
     .label = "Save As Configuration",
     .callback = "FileSaveAs",
     .parent = MENUBAR_FILE},
    {.id = MENUBAR_FILE_FILEOPEN,
     .constant = "MENUBAR_FILE_FILEOPEN",
     .label = "Open Configuration",
     .callback = "FileOpen",
     .parent = MENUBAR_FILE},
};

const MenuBarDef kMenuBar = {.resource_id = MENUBAR, .constant = "MENUBAR", .items = kMenuItems};

const PanelDef kDebugPanel = {.resource_id = PANELDEBUG,
                              .constant = "PANELDEBUG",
                              .title = "Debug",
                              .controls = kDebugControls,
                              .groups = kDebugGroups};
const PanelDef kMainPanel = {.resource_id = PANELMAIN,
                             .constant = "PANELMAIN",
                             .title = "Error Detector",
                             .controls = kMainControls,
                             .menubar = &kMenuBar,
                             .groups = kMainGroups};
const PanelDef kScopePanel = {.resource_id = PANELSCOPE,
                              .constant = "PANELSCOPE",
                              .title = "Threshold Scope",
                              .controls = kScopeControls,
                              .groups = kScopeGroups};

const PanelDef* const kPanels[] = {&kDebugPanel, &kMainPanel, &kScopePanel};

}  // namespace

const PanelDef* find_panel(const char* file, int resource_id) {
  const char* slash = file ? std::strrchr(file, '/') : nullptr;
  const char* base = slash ? slash + 1 : file;
  if (!base || std::strcmp(base, "main.uir") != 0) return nullptr;
  for (const PanelDef* panel : kPanels)
    if (panel->resource_id == resource_id) return panel;
  return nullptr;
}

std::span<const PanelDef* const> all_panels() { return kPanels; }

void register_main_uir() { kd71::ui::register_panels("main.uir", kPanels); }

const ControlDef* find_control(const PanelDef& panel, int id) {
  for (const ControlDef& c : panel.controls)
    if (c.id == id) return &c;
  return nullptr;
}

}  // namespace kd71::uir
