#pragma once
// The chi-square distribution, for judging whether a fit's residual is
// consistent with the uncertainties of its points.

namespace measure {

// The probability that a chi-square variable with `degreesOfFreedom` stays
// at or below x (the regularised lower incomplete gamma function P(k/2, x/2)).
double chiSquareProbability(double x, int degreesOfFreedom);

} // namespace measure
