#pragma once
// Component values of a series circuit from its measured impedances.
//
// Every point gives a complex impedance Z = |Z| e^(jφ). The series models
// R, R-C, R-L and R-L-C are linear in R, L and 1/C for the real and the
// imaginary part:  Re Z = R,  Im Z = ωL − (1/C)/ω.  Each model is fitted by
// weighted least squares on both parts at once, each point weighted by the
// uncertainties of its |Z| and φ (which act along and across Z), and the
// fit gives the values with their covariances and the residual chi-square.
//
// The chosen model is the simplest one whose residual is consistent with
// the uncertainties: chi-square at most the 99.9 % quantile of the
// chi-square distribution with 2N − k degrees of freedom (N points, k
// values). Of R-C and R-L, when both pass, the one with the smaller residual.
// A run that cannot decide says why instead of giving values.

#include <array>
#include <optional>
#include <vector>

namespace measure {

struct FitPoint {
    double frequency = 0;         // Hz
    double impedance = 0;         // |Z|, ohm
    double phaseDegrees = 0;      // voltage against current
    double impedanceSigma = 0;    // standard uncertainty of |Z|, ohm
    double phaseSigmaDegrees = 0; // standard uncertainty of φ, degrees
    bool valid = true;            // a reading was taken (the current could be divided by)
    bool settled = true;          // the circuit had settled at the new frequency
};

enum class SeriesModel { r, rc, rl, rlc };
constexpr std::array<SeriesModel, 4> seriesModels{SeriesModel::r, SeriesModel::rc, SeriesModel::rl,
                                                  SeriesModel::rlc};

// The values a model may have: resistance, inductance and elastance (1/C).
enum class Component { resistance = 0, inductance = 1, elastance = 2 };

bool hasComponent(SeriesModel model, Component component);

struct ModelFit {
    SeriesModel model = SeriesModel::r;
    bool solved = false; // the points determine every value of the model
    // R in ohm, L in henry, 1/C in 1/farad; zero where the model has none.
    std::array<double, 3> values{};
    // Covariances of the values, in the same order; zero rows and columns
    // where the model has none. Scaled up by chi-square / degrees of freedom
    // where that exceeds 1, so that a residual larger than the points'
    // uncertainties widens the values' uncertainties.
    std::array<std::array<double, 3>, 3> covariance{};
    double chiSquare = 0;
    int degreesOfFreedom = 0;
    bool consistent = false; // chi-square within the 99.9 % quantile

    double value(Component c) const { return values[static_cast<std::size_t>(c)]; }
    double sigma(Component c) const;
    double resistance() const { return value(Component::resistance); }
    double inductance() const { return value(Component::inductance); }
    // C = 1 / elastance, and its standard uncertainty; 0 without a capacitor.
    double capacitance() const;
    double capacitanceSigma() const;
    // f0 = 1 / (2π sqrt(LC)) of an R-L-C and its standard uncertainty.
    std::optional<double> resonance() const;
    double resonanceSigma() const;
};

enum class FitVerdict {
    fitted,             // the chosen model and its values hold
    tooFewPoints,       // fewer than fewestFitPoints valid, settled points
    noModelFits,        // no series model is consistent with the points
    oneSideOfResonance, // an R-L-C whose resonance lies outside the points
    valueNotResolved,   // a value of the chosen model is not above its uncertainty
};

constexpr int fewestFitPoints = 4;

struct CircuitFit {
    FitVerdict verdict = FitVerdict::tooFewPoints;
    int points = 0; // the valid, settled points fitted
    double lowestFrequency = 0, highestFrequency = 0;
    // Every model's fit, in the order of seriesModels (unsolved ones when
    // there were too few points).
    std::array<ModelFit, 4> fits{};
    // The chosen model; the simplest consistent one, also when the verdict
    // says it cannot be trusted.
    std::optional<SeriesModel> chosen;
    // With valueNotResolved: the value that is not.
    Component unresolved = Component::resistance;

    const ModelFit& fit(SeriesModel model) const { return fits[static_cast<std::size_t>(model)]; }
    const ModelFit* chosenFit() const { return chosen ? &fit(*chosen) : nullptr; }
};

// Fits every series model to the valid, settled points whose uncertainties
// are positive, and chooses one. `scaleSigma` is the relative standard
// uncertainty of the instrument's impedance scale: an error of it scales every
// |Z| alike, and with them R, L and 1/C, without any trace in the residual,
// so it is added to the values' covariances (and cancels in f0).
CircuitFit fitSeriesCircuit(const std::vector<FitPoint>& points, double scaleSigma = 0);

// |Z| and φ (degrees) of a fitted model at frequency f.
struct ModelPoint {
    double impedance = 0;
    double phaseDegrees = 0;
};
ModelPoint modelResponse(const ModelFit& fit, double frequency);

} // namespace measure
