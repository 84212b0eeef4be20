// The error numbers of the remote-control protocol, as IEEE 488.2 and SCPI
// number them, and their texts.
#pragma once

namespace kd71::scpi {

inline constexpr int kNoError = 0;
inline constexpr int kCommandError = -100;  // no command header where one must be
inline constexpr int kSyntaxError = -102;
inline constexpr int kDataTypeError = -104;  // a word where a number goes, or the reverse
inline constexpr int kParameterNotAllowed = -108;
inline constexpr int kMissingParameter = -109;
inline constexpr int kMnemonicTooLong = -112;
inline constexpr int kUndefinedHeader = -113;
inline constexpr int kHeaderSuffixOutOfRange = -114;
inline constexpr int kSuffixNotAllowed = -138;  // a unit after a number
inline constexpr int kExecutionError = -200;
inline constexpr int kSettingsConflict = -221;  // the control is dimmed
inline constexpr int kDataOutOfRange = -222;
inline constexpr int kIllegalParameterValue = -224;
inline constexpr int kQueueOverflow = -350;

// "Undefined header" for -113; "Error" for a number not listed here.
const char* error_text(int code);

// The bit of the standard event status register that an error sets: command
// errors (-1xx) 0x20, execution errors (-2xx) 0x10, device errors (-3xx)
// 0x08, query errors (-4xx) 0x04.
int event_status_bit(int code);

}  // namespace kd71::scpi
