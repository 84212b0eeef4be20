#include "app/slider_state.h"

int suppressNextChange = 0;
int smoothDelay = 1;
int coarseStep = 0;
float dotMark = 0.0f;
float commaMark = 0.0f;
float previousThreshold[3] = {};

void slider_state_reset() {
  suppressNextChange = 0;
  smoothDelay = 1;
  coarseStep = 0;
  dotMark = 0.0f;
  commaMark = 0.0f;
  for (float& t : previousThreshold) t = 0.0f;
}
