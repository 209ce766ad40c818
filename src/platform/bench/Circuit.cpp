#include "platform/bench/Circuit.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

namespace platform::bench {

Circuit defaultCircuit() {
    Circuit circuit;
    circuit.resistance = 10.0;
    circuit.capacitance = 100e-6;
    return circuit;
}

namespace {

constexpr double smallestValue = 1e-12;
constexpr double largestValue = 1e9;

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<double> suffixFactor(char suffix) {
    switch (suffix) {
    case 'p':
        return 1e-12;
    case 'n':
        return 1e-9;
    case 'u':
        return 1e-6;
    case 'm':
        return 1e-3;
    case 'k':
        return 1e3;
    case 'M':
        return 1e6;
    default:
        return std::nullopt;
    }
}

// A decimal number with an optional SI suffix; error text on failure.
std::optional<double> parseValue(std::string_view text, std::string& error) {
    if (text.empty()) {
        error = "no value";
        return std::nullopt;
    }
    double factor = 1.0;
    std::string_view digits = text;
    if (auto f = suffixFactor(text.back())) {
        factor = *f;
        digits.remove_suffix(1);
    }
    double number = 0.0;
    const bool plainDecimal =
        !digits.empty() && std::all_of(digits.begin(), digits.end(),
                                       [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number,
                                           std::chars_format::fixed);
    if (!plainDecimal || ec != std::errc() || end != digits.data() + digits.size()) {
        error = "\"" + std::string(text) +
                "\" is not a number (digits with an optional suffix p n u m k M)";
        return std::nullopt;
    }
    const double value = number * factor;
    if (!(value >= smallestValue && value <= largestValue)) {
        error = "\"" + std::string(text) + "\" is out of range (1p to 1000M)";
        return std::nullopt;
    }
    return value;
}

std::string formatValue(double value) {
    struct Suffix {
        double factor;
        const char* text;
    };
    static const Suffix suffixes[] = {{1e6, "M"},  {1e3, "k"},  {1.0, ""},   {1e-3, "m"},
                                      {1e-6, "u"}, {1e-9, "n"}, {1e-12, "p"}};
    for (const auto& s : suffixes) {
        if (value >= s.factor * 0.9999999 || s.factor == 1e-12) {
            std::ostringstream out;
            out.precision(6);
            out << value / s.factor << s.text;
            return out.str();
        }
    }
    return std::to_string(value);
}

} // namespace

CircuitParse parseCircuit(std::string_view spec) {
    CircuitParse result;
    const std::string quoted = "circuit \"" + std::string(spec) + "\": ";
    std::optional<double> values[3]; // R, L, C
    Circuit::Diode diode = Circuit::Diode::none;
    std::string_view rest = trim(spec);
    if (rest.empty()) {
        result.error = quoted + "empty; give a series connection such as R=10,C=100u";
        return result;
    }
    while (true) {
        const auto comma = rest.find(',');
        const std::string_view item = trim(rest.substr(0, comma));
        if (item == "D" || item == "d" || item == "Dr" || item == "dr") {
            if (diode != Circuit::Diode::none) {
                result.error = quoted + "the diode is given twice";
                return result;
            }
            diode = item.size() == 1 ? Circuit::Diode::forward : Circuit::Diode::reversed;
            if (comma == std::string_view::npos) break;
            rest = rest.substr(comma + 1);
            continue;
        }
        const auto equals = item.find('=');
        if (equals == std::string_view::npos) {
            result.error = quoted + "\"" + std::string(item) +
                           "\" is not of the form NAME=VALUE (R=10, L=100m, C=10u) nor D or Dr";
            return result;
        }
        const std::string_view name = trim(item.substr(0, equals));
        int index = -1;
        if (name == "R" || name == "r") index = 0;
        if (name == "L" || name == "l") index = 1;
        if (name == "C" || name == "c") index = 2;
        if (index < 0) {
            result.error =
                quoted + "unknown element \"" + std::string(name) + "\" (use R, L, C, D or Dr)";
            return result;
        }
        if (values[index]) {
            result.error = quoted + std::string(name) + " is given twice";
            return result;
        }
        std::string valueError;
        values[index] = parseValue(trim(item.substr(equals + 1)), valueError);
        if (!values[index]) {
            result.error = quoted + std::string(name) + ": " + valueError;
            return result;
        }
        if (comma == std::string_view::npos) break;
        rest = rest.substr(comma + 1);
    }
    if (!values[0]) {
        result.error = quoted + "a resistor R is required (e.g. R=10,C=100u)";
        return result;
    }
    if (diode != Circuit::Diode::none && values[1]) {
        result.error = quoted + "a diode with L cannot be simulated; use R and D, or R, C and D";
        return result;
    }
    Circuit circuit;
    circuit.diode = diode;
    circuit.resistance = *values[0];
    circuit.inductance = values[1];
    circuit.capacitance = values[2];
    result.circuit = circuit;
    return result;
}

std::string describeCircuit(const Circuit& circuit) {
    std::string text = "R=" + formatValue(circuit.resistance);
    if (circuit.inductance) text += ", L=" + formatValue(*circuit.inductance);
    if (circuit.capacitance) text += ", C=" + formatValue(*circuit.capacitance);
    if (circuit.diode == Circuit::Diode::forward) text += ", D";
    if (circuit.diode == Circuit::Diode::reversed) text += ", Dr";
    return text;
}

namespace {

// -expm1(-x) / x for x >= 0: the mean of exp(-t) over [0, x], 1 at x = 0.
double meanDecay(double x) {
    return x < 1e-12 ? 1.0 - x / 2 : -std::expm1(-x) / x;
}

using Matrix = double[2][2];

// E = exp(M) - I and P = sum M^k / (k+1)! (so that the input matrix is
// T * P * B) by their power series; used while every entry of M is small.
void seriesExp(const Matrix m, Matrix e, Matrix p) {
    double term[2][2] = {{1.0, 0.0}, {0.0, 1.0}}; // M^k / k!
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            e[r][c] = 0.0;
            p[r][c] = term[r][c];
        }
    for (int k = 1; k <= 30; ++k) {
        double next[2][2];
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                next[r][c] = (term[r][0] * m[0][c] + term[r][1] * m[1][c]) / k;
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c) {
                term[r][c] = next[r][c];
                e[r][c] += term[r][c];
                p[r][c] += term[r][c] / (k + 1);
            }
    }
}

} // namespace

CircuitSimulation::CircuitSimulation(const Circuit& circuit, double samplePeriod)
    : resistance_(circuit.resistance), period_(samplePeriod) {
    if (circuit.diode != Circuit::Diode::none)
        diode_.emplace(circuit.resistance, circuit.capacitance,
                       circuit.diode == Circuit::Diode::reversed, samplePeriod);
    if (circuit.inductance && circuit.capacitance)
        kind_ = Kind::rlc;
    else if (circuit.inductance)
        kind_ = Kind::rl;
    else if (circuit.capacitance)
        kind_ = Kind::rc;
    else
        kind_ = Kind::resistor;
    inductance_ = circuit.inductance.value_or(0.0);
    capacitance_ = circuit.capacitance.value_or(0.0);

    const double T = period_;
    switch (kind_) {
    case Kind::resistor:
        break;
    case Kind::rc: {
        // C dv/dt = (u - v) / R: v' = v + (1 - a)(u - v), a = exp(-T / RC).
        const double x = T / (resistance_ * capacitance_);
        a_[1][1] = -std::expm1(-x); // 1 - a, exact for small x
        b_[1] = meanDecay(x);       // mean of exp(-t / RC) over the period, relative
        break;
    }
    case Kind::rl: {
        // L di/dt = u - R i: i' = i + (1 - a)(u / R - i), a = exp(-RT / L).
        const double x = resistance_ * T / inductance_;
        a_[0][0] = -std::expm1(-x);
        b_[0] = meanDecay(x);
        break;
    }
    case Kind::rlc: {
        // State x = (i, v): di/dt = (u - R i - v) / L, dv/dt = i / C.
        // M = A T; E = exp(M) - I; the input column is (beta T / L, -E11)
        // because a constant u is a fixed point with i = 0, v = u.
        const double L = inductance_, C = capacitance_, R = resistance_;
        const Matrix m = {{-R * T / L, -T / L}, {T / C, 0.0}};
        double e[2][2];
        const double largest = std::max({std::abs(m[0][0]), std::abs(m[0][1]), std::abs(m[1][0])});
        if (largest <= 0.1) {
            double p[2][2];
            seriesExp(m, e, p);
            b_[0] = p[0][0] * T / L; // T * P * (1/L, 0)
            b_[1] = p[1][0] * T / L;
        } else {
            // exp(M) = alpha I + beta M from the eigenvalues mu +- s of M,
            // written so that nothing overflows for stiff circuits.
            const double mu = m[0][0] / 2;
            const double det = m[0][1] * -m[1][0]; // T^2 / (LC) > 0
            const double disc = mu * mu - det;
            double alpha1 = 0.0; // alpha - 1
            double beta = 0.0;
            if (disc > 0) {
                const double s = std::sqrt(disc);
                const double l2 = mu - s; // the faster eigenvalue, no cancellation
                const double l1 = det / l2;
                if (s > 1e-3) {
                    beta = (std::exp(l1) - std::exp(l2)) / (l1 - l2);
                    // alpha - 1 = (l1 expm1(l2) - l2 expm1(l1)) / (l1 - l2)
                    alpha1 = (l1 * std::expm1(l2) - l2 * std::expm1(l1)) / (l1 - l2);
                } else {
                    const double sinhc = std::sinh(s) / s;
                    beta = std::exp(mu) * sinhc;
                    alpha1 = std::exp(mu) * (std::cosh(s) - mu * sinhc) - 1.0;
                }
            } else {
                const double w = std::sqrt(-disc);
                const double sinc = w > 1e-8 ? std::sin(w) / w : 1.0 - w * w / 6;
                beta = std::exp(mu) * sinc;
                alpha1 = std::exp(mu) * (std::cos(w) - mu * sinc) - 1.0;
            }
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c)
                    e[r][c] = beta * m[r][c] + (r == c ? alpha1 : 0.0);
            b_[0] = beta * T / L;
            b_[1] = -alpha1;
        }
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                a_[r][c] = e[r][c];
        break;
    }
    }
}

void CircuitSimulation::reset() {
    if (diode_) diode_->reset();
    current_ = 0.0;
    capacitorVoltage_ = 0.0;
}

std::optional<CircuitSimulation::LinearStep> CircuitSimulation::linearStep() const {
    if (diode_) return std::nullopt;
    LinearStep s;
    switch (kind_) {
    case Kind::resistor:
        s.d = 1.0 / resistance_;
        break;
    case Kind::rc:
        s.e[1][1] = -a_[1][1];
        s.g[1] = a_[1][1];
        s.c[1] = -b_[1] / resistance_;
        s.d = b_[1] / resistance_;
        break;
    case Kind::rl:
        s.e[0][0] = -a_[0][0];
        s.g[0] = a_[0][0] / resistance_;
        s.c[0] = b_[0];
        s.d = (1.0 - b_[0]) / resistance_;
        break;
    case Kind::rlc:
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                s.e[r][c] = a_[r][c];
        s.g[0] = b_[0];
        s.g[1] = -a_[1][1];
        s.c[0] = capacitance_ * a_[1][0] / period_;
        s.c[1] = capacitance_ * a_[1][1] / period_;
        s.d = -s.c[1];
        break;
    }
    return s;
}

double CircuitSimulation::step(double u) {
    if (diode_) return diode_->step(u);
    switch (kind_) {
    case Kind::resistor:
        return u / resistance_;
    case Kind::rc: {
        // The current (u - v) / R decays with exp(-t / RC) over the period.
        const double start = (u - capacitorVoltage_) / resistance_;
        capacitorVoltage_ += a_[1][1] * (u - capacitorVoltage_);
        return start * b_[1];
    }
    case Kind::rl: {
        // The current moves from i towards u / R with exp(-Rt / L).
        const double target = u / resistance_;
        const double mean = target + (current_ - target) * b_[0];
        current_ += a_[0][0] * (target - current_);
        return mean;
    }
    case Kind::rlc: {
        // Mean current = C * (change of capacitor voltage) / T, formed from
        // the increments so that large C loses no precision.
        const double i = current_, v = capacitorVoltage_;
        const double dv = a_[1][0] * i + a_[1][1] * (v - u);
        current_ = i + a_[0][0] * i + a_[0][1] * v + b_[0] * u;
        capacitorVoltage_ = v + dv;
        return capacitance_ * dv / period_;
    }
    }
    return 0.0;
}

} // namespace platform::bench
