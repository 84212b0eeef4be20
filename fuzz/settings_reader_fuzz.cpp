// The settings file's reader on any text: it must never read outside the
// text, and whatever it takes in, the file the program then writes must read
// back complete and unchanged, so that a save never loses a setting.
#include <cstdint>
#include <string>

#include "app/panel_handles.h"
#include "app/settings_file.h"
#include "fuzz/fuzz_input.h"
#include "platform/ui_runtime/userint.h"
#include "tests/support/fresh_state.h"
#include "ui/main_uir.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kd71::test::reset_all();
  kd71::fuzz::silence_console();
  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  if (panelHandle <= 0) kd71::fuzz::finding("the main panel does not load");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  settings_reset();
  kd71::fuzz::FuzzInput input(data, size);
  const int unread = restore_settings_text(input.rest());
  if (unread < 0 || unread > kSettingsValues) kd71::fuzz::finding("unread count out of range");

  const std::string saved = settings_text();
  if (restore_settings_text(saved) != 0) kd71::fuzz::finding("a saved file reads back incomplete");
  if (settings_text() != saved) kd71::fuzz::finding("a saved file reads back changed");
  return 0;
}
