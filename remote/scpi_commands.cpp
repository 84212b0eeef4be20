#include "remote/scpi_commands.h"

namespace kd71::scpi {

namespace {

using K = Kind;

// clang-format off
constexpr Command kCommands[] = {
    {"*IDN?", K::Query, 0, 0, idn_query},
    {"*RST", K::Setting, 0, 0, rst},
    {"*CLS", K::Status, 0, 0, cls},
    {"*OPC", K::Status, 0, 0, opc},
    {"*OPC?", K::Wait, 0, 0, opc_query},
    {"*WAI", K::Wait, 0, 0, wai},
    {"*ESR?", K::Status, 0, 0, esr_query},
    {"*ESE", K::Status, 1, 1, ese},
    {"*ESE?", K::Status, 0, 0, ese_query},
    {"*SRE", K::Status, 1, 1, sre},
    {"*SRE?", K::Status, 0, 0, sre_query},
    {"*STB?", K::Status, 0, 0, stb_query},

    {"SYSTem:ERRor[:NEXT]?", K::Status, 0, 0, error_query},
    {"SYSTem:ERRor:COUNt?", K::Status, 0, 0, error_count_query},
    {"SYSTem:VERSion?", K::Query, 0, 0, version_query},
    {"SYSTem:HELP:HEADers?", K::Query, 0, 0, help_headers_query},
    {"SYSTem:LINK?", K::Query, 0, 0, link_query},
    {"SYSTem:LINK:SNUMber?", K::Query, 0, 0, serial_number_query},
    {"SYSTem:LINK:FIRMware?", K::Query, 0, 0, firmware_query},

    {"INPut#:PATTern", K::Setting, 1, 1, pattern},
    {"INPut#:PATTern?", K::Query, 0, 0, pattern_query},
    {"INPut#:CLOCk", K::Setting, 1, 1, input_clock},
    {"INPut#:CLOCk?", K::Query, 0, 0, input_clock_query},
    {"INPut#:MANual[:STATe]", K::Setting, 1, 1, manual_mode},
    {"INPut#:MANual[:STATe]?", K::Query, 0, 0, manual_mode_query},
    {"INPut#:THReshold", K::Setting, 1, 1, threshold},
    {"INPut#:THReshold?", K::Query, 0, 1, threshold_query},
    {"INPut#:DELay", K::Setting, 1, 1, delay},
    {"INPut#:DELay?", K::Query, 0, 1, delay_query},
    {"INPut#:CALibration:INITiate", K::Overlapped, 0, 0, initiate},
    {"INPut#:CALibration:ASEarch", K::Overlapped, 0, 0, auto_search},
    {"INPut#:CALibration:ASEarch:STOP", K::Stop, 0, 0, auto_search_stop},
    {"INPut#:CALibration:PHASe", K::Overlapped, 0, 0, phase_trial},
    {"INPut#:CALibration:PHASe:RESult?", K::Query, 0, 0, phase_trial_result_query},
    {"INPut#:CALibration:ESCan", K::Overlapped, 0, 3, eye_scan},
    {"INPut#:CALibration:ESCan:STOP", K::Stop, 0, 0, stop_eye_scan},
    {"INPut#:CALibration:ESCan:RESult?", K::Query, 0, 0, eye_scan_result_query},
    {"INPut#:CALibration:ESCan:ADAPtive", K::Overlapped, 0, 1, adaptive_eye_scan},
    {"INPut#:CALibration:ESCan:JITTer?", K::Query, 0, 1, eye_jitter_query},
    {"INPut#:CALibration:ESCan:QFACtor?", K::Query, 0, 1, eye_q_factor_query},
    {"INPut#:CALibration:ESCan:MASK", K::Setting, 7, 65, define_eye_mask},
    {"INPut#:CALibration:ESCan:MASK?", K::Query, 0, 0, eye_mask_query},
    {"ABORt", K::Stop, 0, 0, abort_search},

    {"MEASure#:BRATe?", K::Query, 0, 0, bit_rate_query},
    {"MEASure#:BTIMe?", K::Query, 0, 0, bit_time_query},
    {"MEASure#:ERRors?", K::Query, 0, 0, errors_query},
    {"MEASure#:BER?", K::Query, 0, 0, ratio_query},
    {"MEASure#:BER:BOUNd?", K::Query, 0, 0, ratio_bound_query},
    {"MEASure#:ONES?", K::Query, 0, 0, ones_query},
    {"MEASure#:SYNC?", K::Query, 0, 0, sync_query},
    {"MEASure#:FERRors?", K::Query, 0, 0, fast_errors_query},
    {"MEASure#:EFSeconds?", K::Query, 0, 0, error_free_query},
    {"MEASure#:SLENgth?", K::Query, 0, 0, sample_length_query},
    {"MEASure#:ALL?", K::Query, 0, 0, all_figures_query},

    {"TEST#[:STATe]", K::Setting, 1, 1, test_state},
    {"TEST#[:STATe]?", K::Query, 0, 0, test_state_query},
    {"TEST#:INTerval", K::Setting, 1, 1, test_interval},
    {"TEST#:INTerval?", K::Query, 0, 1, test_interval_query},
    {"TEST#:ERRors?", K::Query, 0, 0, test_errors_query},
    {"TEST#:BITS?", K::Query, 0, 0, test_bits_query},
    {"TEST#:BER?", K::Query, 0, 0, test_ratio_query},
    {"TEST#:BER:BOUNd?", K::Query, 0, 0, test_ratio_bound_query},
    {"TEST#:ELAPsed?", K::Query, 0, 0, test_elapsed_query},
    {"TEST#:ULIMit?", K::Query, 0, 0, test_limit_query},
    {"TEST#:VERDict?", K::Query, 0, 1, test_verdict_query},
    {"TEST#:NEEDed?", K::Query, 0, 1, test_needed_query},

    {"CALCulate:TARGet", K::Setting, 1, 1, target},
    {"CALCulate:TARGet?", K::Query, 0, 0, target_query},
    {"CALCulate:CONFidence", K::Setting, 1, 1, confidence},
    {"CALCulate:CONFidence?", K::Query, 0, 0, confidence_query},
};
// clang-format on

}  // namespace

std::span<const Command> command_table() { return kCommands; }

}  // namespace kd71::scpi
