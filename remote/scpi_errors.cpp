#include "remote/scpi_errors.h"

namespace kd71::scpi {

namespace {

struct ErrorName {
  int code;
  const char* text;
};

constexpr ErrorName kErrors[] = {
    {kNoError, "No error"},
    {kCommandError, "Command error"},
    {kSyntaxError, "Syntax error"},
    {kDataTypeError, "Data type error"},
    {kParameterNotAllowed, "Parameter not allowed"},
    {kMissingParameter, "Missing parameter"},
    {kMnemonicTooLong, "Program mnemonic too long"},
    {kUndefinedHeader, "Undefined header"},
    {kHeaderSuffixOutOfRange, "Header suffix out of range"},
    {kSuffixNotAllowed, "Suffix not allowed"},
    {kExecutionError, "Execution error"},
    {kSettingsConflict, "Settings conflict"},
    {kDataOutOfRange, "Data out of range"},
    {kIllegalParameterValue, "Illegal parameter value"},
    {kQueueOverflow, "Queue overflow"},
};

constexpr int kCommandErrorBit = 0x20;
constexpr int kExecutionErrorBit = 0x10;
constexpr int kDeviceErrorBit = 0x08;
constexpr int kQueryErrorBit = 0x04;

}  // namespace

const char* error_text(int code) {
  for (const ErrorName& e : kErrors)
    if (e.code == code) return e.text;
  return "Error";
}

int event_status_bit(int code) {
  if (code <= -100 && code > -200) return kCommandErrorBit;
  if (code <= -200 && code > -300) return kExecutionErrorBit;
  if (code <= -300 && code > -400) return kDeviceErrorBit;
  if (code <= -400 && code > -500) return kQueryErrorBit;
  return 0;
}

}  // namespace kd71::scpi
