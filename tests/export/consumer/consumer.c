/* A program of someone else's, built against the installed kd71.h: opens
 * the simulated board, sets a channel, reads it back and closes. Built as C
 * and as C++. */
#include <kd71.h>
#include <stdio.h>

int main(void) {
  if (usb_init() != 1) {
    perror("usb_init");
    return 1;
  }
  const int set = DataSel(1, 8) == 1 && DataThreshold(1, 2.5f) == 1 && SampingDelay(2, 1.0f) == 1;
  const int rate = GetBitRate(1);
  const int invalid = GetBitRate(3);
  const uint64_t errors = GetErrorCount(3);
  const int closed = usb_close();
  printf("bit rate %d Mb/s, invalid channel %d, errors %llu, close %d\n", rate, invalid,
         (unsigned long long)errors, closed);
  return set && rate == 10000 && invalid == -1 && errors == 0 && closed == 1 ? 0 : 1;
}
