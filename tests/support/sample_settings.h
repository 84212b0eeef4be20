// A settings file as the program writes it, with values other than the
// panel's defaults: what a run that restores it and saves it at the quit
// must leave unchanged.
#pragma once

namespace kd71::test {

inline constexpr const char* kSampleSettings =
    "VORN_KD71_2CH Configuration Data\n"
    "Ch1_SamplingDelay 1.250000\nCh2_SamplingDelay 0.500000\n"
    "Ch1_Threshold 12.500000\nCh2_Threshold -3.000000\n"
    "data_select_ch1 3\ndata_select_ch2 8\nring_in_clk_ch1 1\nring_in_clk_ch2 2\n"
    "ringslide_9240phs_ch1 0\nringslide_9240phs_ch2 0\n"
    "ringslide_9372phs_ch1 0\nringslide_9372phs_ch2 0\n"
    "manual_mode_ch1 1\nmanual_mode_ch2 0";

}  // namespace kd71::test
