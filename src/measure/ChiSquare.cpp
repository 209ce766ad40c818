#include "measure/ChiSquare.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace measure {

namespace {

constexpr double epsilon = 1e-14;
constexpr int mostTerms = 10000;

// P(a, x) by its power series; converges quickly for x < a + 1.
double lowerSeries(double a, double x) {
    double term = 1 / a, sum = term;
    for (int n = 1; n < mostTerms; ++n) {
        term *= x / (a + n);
        sum += term;
        if (std::abs(term) < std::abs(sum) * epsilon) break;
    }
    return sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

// Q(a, x) = 1 − P(a, x) by its continued fraction (modified Lentz); for
// x >= a + 1.
double upperFraction(double a, double x) {
    constexpr double tiny = std::numeric_limits<double>::min() / epsilon;
    double b = x + 1 - a, c = 1 / tiny, d = 1 / b, h = d;
    for (int i = 1; i < mostTerms; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::abs(d) < tiny) d = tiny;
        c = b + an / c;
        if (std::abs(c) < tiny) c = tiny;
        d = 1 / d;
        const double step = d * c;
        h *= step;
        if (std::abs(step - 1) < epsilon) break;
    }
    return std::exp(-x + a * std::log(x) - std::lgamma(a)) * h;
}

} // namespace

double chiSquareProbability(double x, int degreesOfFreedom) {
    if (degreesOfFreedom < 1 || !(x > 0)) return 0;
    if (std::isinf(x)) return 1;
    const double a = degreesOfFreedom / 2.0, half = x / 2;
    return half < a + 1 ? lowerSeries(a, half) : 1 - upperFraction(a, half);
}

} // namespace measure
