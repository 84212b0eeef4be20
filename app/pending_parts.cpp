// Stand-ins that do nothing until their modules land: the settings file
// (nothing restored, nothing saved), the dimming sweep, the per-channel sample
// length, the measurement tick.
#include "app/pending_parts.h"

#include "ui/main_uir.h"

int RestoreSettings(const char* /*path*/) { return 0; }
int SaveSettings(const char* /*path*/) { return 0; }
void SetAllAttribsMain(int /*dimmed*/) {}
void SetSampleLength(int /*channel*/, unsigned long long /*bits*/) {}

int CBTimer(int /*panel*/, int /*control*/, int /*event*/, void* /*callbackData*/,
            int /*eventData1*/, int /*eventData2*/) {
  return 0;
}
