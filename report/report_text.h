// Text pieces of the test report: HTML escaping and the wall-clock times.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

// `text` with &, <, >, " and ' as character references.
std::string html_escape(std::string_view text);

// "2026-03-01 12:34:56 UTC" and "2026-03-01 13:34:56 CET" (the local zone's
// abbreviation) for the moment `t`.
std::string utc_time_text(std::time_t t);
std::string local_time_text(std::time_t t);
