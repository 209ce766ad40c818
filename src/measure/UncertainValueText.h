#pragma once
// A measured value with its standard uncertainty, as a laboratory report
// writes it: "10.02 ± 0.03 Ω", "99.6 ± 0.4 mH", "1.524 ± 0.014 kΩ". The
// unit takes the SI prefix that puts the value between 1 and 1000; the
// uncertainty keeps one significant digit, two when that digit would be a 1,
// and the value is rounded to the same decimal place.

#include <string>

namespace measure {

std::string uncertainValueText(double value, double sigma, const std::string& unit);

} // namespace measure
