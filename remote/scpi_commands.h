// The remote-control command tree of the instrument (docs/SCPI.md lists
// and explains it) and the functions behind its headers, by subsystem.
#pragma once

#include <span>

#include "remote/scpi_tree.h"

namespace kd71::scpi {

std::span<const Command> command_table();

// IEEE 488.2 common commands and the SYSTem subsystem.
void idn_query(Context& c);
void cls(Context& c);
void opc(Context& c);
void opc_query(Context& c);
void wai(Context& c);
void esr_query(Context& c);
void ese(Context& c);
void ese_query(Context& c);
void sre(Context& c);
void sre_query(Context& c);
void stb_query(Context& c);
void error_query(Context& c);
void error_count_query(Context& c);
void version_query(Context& c);
void help_headers_query(Context& c);
void link_query(Context& c);
void serial_number_query(Context& c);
void firmware_query(Context& c);

// Settings: *RST, INPut, TEST state and interval, CALCulate.
void rst(Context& c);
void pattern(Context& c);
void pattern_query(Context& c);
void input_clock(Context& c);
void input_clock_query(Context& c);
void manual_mode(Context& c);
void manual_mode_query(Context& c);
void threshold(Context& c);
void threshold_query(Context& c);
void delay(Context& c);
void delay_query(Context& c);
void test_state(Context& c);
void test_state_query(Context& c);
void test_interval(Context& c);
void test_interval_query(Context& c);
void target(Context& c);
void target_query(Context& c);
void confidence(Context& c);
void confidence_query(Context& c);

// Figures: MEASure and the TEST totals.
void bit_rate_query(Context& c);
void bit_time_query(Context& c);
void errors_query(Context& c);
void ratio_query(Context& c);
void ratio_bound_query(Context& c);
void ones_query(Context& c);
void sync_query(Context& c);
void fast_errors_query(Context& c);
void error_free_query(Context& c);
void sample_length_query(Context& c);
void all_figures_query(Context& c);
void test_errors_query(Context& c);
void test_bits_query(Context& c);
void test_ratio_query(Context& c);
void test_ratio_bound_query(Context& c);
void test_elapsed_query(Context& c);
void test_limit_query(Context& c);
void test_verdict_query(Context& c);
void test_needed_query(Context& c);

// Calibration routines (overlapped) and their stops.
void initiate(Context& c);
void auto_search(Context& c);
void auto_search_stop(Context& c);
void abort_search(Context& c);
void phase_trial(Context& c);
void phase_trial_result_query(Context& c);

// The eye scan (overlapped), its stop and its outcome.
void eye_scan(Context& c);
void stop_eye_scan(Context& c);
void eye_scan_result_query(Context& c);
void adaptive_eye_scan(Context& c);
void eye_jitter_query(Context& c);
void eye_q_factor_query(Context& c);
void define_eye_mask(Context& c);
void eye_mask_query(Context& c);

}  // namespace kd71::scpi
