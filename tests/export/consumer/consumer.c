/* Someone else's program, built against the installed kd71.h: opens the
 * simulated board, sets channel 1, reads it back and closes. */
#include <kd71.h>
#include <stdio.h>

int main(void) {
  if (usb_init() != 1) {
    perror("usb_init");
    return 1;
  }
  const int set = DataSel(1, 8) == 1 && DataThreshold(1, 2.5f) == 1 && SampingDelay(1, 1.0f) == 1;
  const int rate = GetBitRate(1), invalid = GetBitRate(3);
  const uint64_t errors = GetErrorCount(3);
  printf("bit rate %d Mb/s, invalid channel %d, errors %llu\n", rate, invalid,
         (unsigned long long)errors);
  return usb_close() == 1 && set && rate == 10000 && invalid == -1 && errors == 0 ? 0 : 1;
}
