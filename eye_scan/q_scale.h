// The Q scale on which a Gaussian tail is a straight line: Q(x), the chance
// that a normal variable lies more than x standard deviations above its
// mean, and its inverse, for ratios down to 1e-300.
#pragma once

namespace kd71::eye {

double q_of(double x);
// The x with q_of(x) == p, for 0 < p < 1; NaN outside.
double inverse_q(double p);

}  // namespace kd71::eye
