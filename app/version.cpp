#include "app/version.h"

const char* build_stamp() { return __DATE__ " " __TIME__; }
