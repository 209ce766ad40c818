#include "measure/CircuitFitText.h"

#include "measure/UncertainValueText.h"

namespace measure {

namespace {

// By the enumerators' order.
constexpr const char* componentSymbols[] = {"R", "L", "C"};
constexpr const char* modelNames[] = {"R", "R-C", "R-L", "R-L-C"};

std::string componentSymbol(Component c) {
    return componentSymbols[static_cast<std::size_t>(c)];
}

std::string undecided(const CircuitFit& fit, Language language) {
    const bool czech = language == Language::czech;
    const std::string model =
        fit.chosen ? "model " + modelName(*fit.chosen) + ": " : std::string("model: ");
    const std::string head = model + (czech ? "nelze rozhodnout, " : "cannot decide, ");
    switch (fit.verdict) {
    case FitVerdict::tooFewPoints:
        return head + (czech ? "méně než " + std::to_string(fewestFitPoints) + " platné body"
                             : "fewer than " + std::to_string(fewestFitPoints) + " valid points");
    case FitVerdict::noModelFits:
        return head + (czech ? "žádný sériový model (R, R-C, R-L, R-L-C) neodpovídá bodům "
                               "v mezích jejich nejistot"
                             : "no series model (R, R-C, R-L, R-L-C) fits the points within "
                               "their uncertainties");
    case FitVerdict::oneSideOfResonance:
        return head + (czech ? "všechny body leží na jedné straně rezonance"
                             : "all points lie on one side of the resonance");
    case FitVerdict::valueNotResolved: {
        const std::string symbol = componentSymbol(fit.unresolved);
        return head + (czech ? "hodnota " + symbol + " není větší než její nejistota"
                             : "the value of " + symbol + " is not larger than its uncertainty");
    }
    case FitVerdict::fitted:
        break;
    }
    return head;
}

} // namespace

std::string modelName(SeriesModel model) {
    return modelNames[static_cast<std::size_t>(model)];
}

std::vector<std::string> circuitFitLines(const CircuitFit& fit, Language language) {
    const ModelFit* chosen = fit.chosenFit();
    if (fit.verdict != FitVerdict::fitted || !chosen) return {undecided(fit, language)};
    std::vector<std::string> lines{"model " + modelName(chosen->model)};
    lines.push_back("R = " + uncertainValueText(chosen->resistance(),
                                                chosen->sigma(Component::resistance), "Ω"));
    if (hasComponent(chosen->model, Component::inductance))
        lines.push_back("L = " + uncertainValueText(chosen->inductance(),
                                                    chosen->sigma(Component::inductance), "H"));
    if (hasComponent(chosen->model, Component::elastance))
        lines.push_back("C = " +
                        uncertainValueText(chosen->capacitance(), chosen->capacitanceSigma(), "F"));
    if (const std::optional<double> f0 = chosen->resonance())
        lines.push_back((language == Language::czech ? "f₀ = " : "f0 = ") +
                        uncertainValueText(*f0, chosen->resonanceSigma(), "Hz"));
    return lines;
}

std::string circuitFitSummary(const CircuitFit& fit, Language language) {
    const std::vector<std::string> lines = circuitFitLines(fit, language);
    std::string text = lines.front();
    for (std::size_t i = 1; i < lines.size(); ++i)
        text += (i == 1 ? ": " : ", ") + lines[i];
    return text;
}

} // namespace measure
