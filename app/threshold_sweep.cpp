#include "app/threshold_sweep.h"

#include "app/calibration_progress.h"
#include "app/panel_handles.h"
#include "app/slider_state.h"
#include "app/threshold_search.h"
#include "hardware/lowlevel_packets.h"
#include "platform/ui_runtime/userint.h"
#include "ui/channel_controls.h"

namespace {

constexpr double kPointFraction = 0.03125;  // one step of the 32 points

}  // namespace

void threshold_sweep(int n, float end) {
  const float startRange = previousThreshold[n];
  const float abscInc =
      static_cast<float>((static_cast<double>(end) - startRange) * kPointFraction);
  log_calibration_line("startRange: %f voltSetting (end): %f abscInc: %f \n", startRange, end,
                     abscInc);
  begin_calibration_progress(kErrorSweepPoints);
  int errs[kErrorSweepPoints];
  for (int i = 0; i < kErrorSweepPoints; ++i) {
    WriteThreshold(n, static_cast<float>(startRange + static_cast<double>(abscInc) * i), 1);
    Delay(0.0);
    FetchRoutinePacket(n);
    errs[i] = packets[n].fast_error_count;
    show_calibration_step(n, "threshold sweep", "point", i + 1, kErrorSweepPoints);
  }
  const int selPoint = FindOptimum(errs, kErrorSweepPoints);
  const float t = static_cast<float>(startRange + static_cast<double>(abscInc) * selPoint);
  WriteThreshold(n, t, 0);
  show_threshold(n, t);
  log_calibration_line("selPoint: %d chosen voltSetting: %f\n", selPoint, t);
  // The slider's next value change is swallowed once; the previous
  // threshold stays as the last applied change left it.
  suppressNextChange = 1;
  end_calibration_progress();
}
