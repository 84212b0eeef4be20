#include "app/threshold_sweep.h"

#include "app/analog_controls.h"
#include "app/calibration_controls.h"
#include "app/calibration_progress.h"
#include "app/startup.h"
#include "app/threshold_search.h"
#include "hardware/lowlevel_packets.h"
#include "platform/userint.h"

namespace {

constexpr double kPointFraction = 0.03125;  // one step of the 32 points

}  // namespace

void ThresholdSweep(int n, float end) {
  const float startRange = previousThreshold[n];
  const float abscInc =
      static_cast<float>((static_cast<double>(end) - startRange) * kPointFraction);
  LogCalibrationLine("startRange: %f voltSetting (end): %f abscInc: %f \n", startRange, end,
                     abscInc);
  BeginCalibrationProgress(kErrorSweepPoints);
  int errs[kErrorSweepPoints];
  for (int i = 0; i < kErrorSweepPoints; ++i) {
    WriteThreshold(n, static_cast<float>(startRange + static_cast<double>(abscInc) * i), 1);
    Delay(0.0);
    FetchRoutinePacket(n);
    errs[i] = packets[n].fast_error_count;
    ShowCalibrationStep(n, "threshold sweep", "point", i + 1, kErrorSweepPoints);
  }
  const int selPoint = FindOptimum(errs, kErrorSweepPoints);
  const float t = static_cast<float>(startRange + static_cast<double>(abscInc) * selPoint);
  WriteThreshold(n, t, 0);
  SetCtrlVal(panelHandle, calibration_controls(n).threshold, t);
  LogCalibrationLine("selPoint: %d chosen voltSetting: %f\n", selPoint, t);
  // The slider's next value change is swallowed once; the current and the
  // previous threshold stay as the last applied change left them.
  suppressNextChange = 1;
  EndCalibrationProgress();
}
