#include "measure/CircuitFit.h"

#include "measure/ChiSquare.h"

#include <Eigen/Dense>
#include <cmath>
#include <numbers>

namespace measure {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double degree = pi / 180;
// A residual beyond this quantile of its chi-square distribution rejects
// the model.
constexpr double consistentProbability = 0.999;

bool usable(const FitPoint& p) {
    return p.valid && p.settled && p.frequency > 0 && p.impedance > 0 && p.impedanceSigma > 0 &&
           p.phaseSigmaDegrees > 0 && std::isfinite(p.frequency) && std::isfinite(p.impedance) &&
           std::isfinite(p.phaseDegrees) && std::isfinite(p.impedanceSigma) &&
           std::isfinite(p.phaseSigmaDegrees);
}

// The weighted problem of all three values, two rows per point. The
// uncertainty of |Z| acts along Z and that of φ across it, |Z| σφ long:
// rotating each point's real and imaginary rows by −φ and dividing them by
// those two uncertainties makes every row's error independent with unit
// variance, so that the sum of squared rows is the chi-square.
struct WeightedRows {
    Eigen::MatrixXd design; // columns R, L, 1/C
    Eigen::VectorXd measured;
};

WeightedRows weightedRows(const std::vector<const FitPoint*>& points) {
    const auto n = static_cast<Eigen::Index>(points.size());
    WeightedRows rows{Eigen::MatrixXd::Zero(2 * n, 3), Eigen::VectorXd::Zero(2 * n)};
    for (Eigen::Index i = 0; i < n; ++i) {
        const FitPoint& p = *points[static_cast<std::size_t>(i)];
        const double w = 2 * pi * p.frequency;
        const double phi = p.phaseDegrees * degree;
        const double c = std::cos(phi), s = std::sin(phi);
        const double along = 1 / p.impedanceSigma;
        const double across = 1 / (p.impedance * p.phaseSigmaDegrees * degree);
        // Re Z = R, Im Z = wL - (1/C)/w; rotated by -phi: along = Re c + Im s,
        // across = -Re s + Im c.
        const Eigen::RowVector3d re(1, 0, 0), im(0, w, -1 / w);
        rows.design.row(2 * i) = along * (c * re + s * im);
        rows.design.row(2 * i + 1) = across * (-s * re + c * im);
        // The measured Z rotated by -phi is |Z| along and nothing across.
        rows.measured(2 * i) = along * p.impedance;
        rows.measured(2 * i + 1) = 0;
    }
    return rows;
}

ModelFit fitModel(SeriesModel model, const WeightedRows& rows) {
    ModelFit fit;
    fit.model = model;
    std::vector<Eigen::Index> columns;
    for (Component c : {Component::resistance, Component::inductance, Component::elastance})
        if (hasComponent(model, c)) columns.push_back(static_cast<Eigen::Index>(c));
    const auto k = static_cast<Eigen::Index>(columns.size());
    fit.degreesOfFreedom = static_cast<int>(rows.design.rows() - k);
    if (fit.degreesOfFreedom < 1) return fit;

    // The columns differ by many orders of magnitude (ohms, henries,
    // inverse farads): scale each to unit length for the solver.
    Eigen::MatrixXd a(rows.design.rows(), k);
    Eigen::VectorXd scale(k);
    for (Eigen::Index j = 0; j < k; ++j) {
        a.col(j) = rows.design.col(columns[static_cast<std::size_t>(j)]);
        scale(j) = a.col(j).norm();
        if (!(scale(j) > 0)) return fit;
        a.col(j) /= scale(j);
    }
    const Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(a);
    if (qr.rank() < k) return fit;
    const Eigen::VectorXd x = qr.solve(rows.measured);
    fit.chiSquare = (a * x - rows.measured).squaredNorm();

    // Covariance of the scaled values: (A'A)^-1 = P R^-1 R^-T P'.
    const Eigen::MatrixXd r = qr.matrixR().topLeftCorner(k, k).triangularView<Eigen::Upper>();
    const Eigen::MatrixXd rInverse =
        r.triangularView<Eigen::Upper>().solve(Eigen::MatrixXd::Identity(k, k));
    const Eigen::MatrixXd permutation = qr.colsPermutation();
    Eigen::MatrixXd covariance =
        permutation * rInverse * rInverse.transpose() * permutation.transpose();
    const double reduced = fit.chiSquare / fit.degreesOfFreedom;
    if (reduced > 1) covariance *= reduced;

    for (Eigen::Index i = 0; i < k; ++i) {
        const auto ci = static_cast<std::size_t>(columns[static_cast<std::size_t>(i)]);
        fit.values[ci] = x(i) / scale(i);
        for (Eigen::Index j = 0; j < k; ++j) {
            const auto cj = static_cast<std::size_t>(columns[static_cast<std::size_t>(j)]);
            fit.covariance[ci][cj] = covariance(i, j) / (scale(i) * scale(j));
        }
    }
    fit.solved = std::isfinite(fit.chiSquare);
    // Within the quantile: a chi-square no larger is at most that probable.
    fit.consistent = fit.solved && chiSquareProbability(fit.chiSquare, fit.degreesOfFreedom) <=
                                       consistentProbability;
    return fit;
}

// The simplest consistent model: R; then R-C or R-L (the smaller residual
// when both pass); then R-L-C.
std::optional<SeriesModel> simplestConsistent(const CircuitFit& result) {
    if (result.fit(SeriesModel::r).consistent) return SeriesModel::r;
    const ModelFit& rc = result.fit(SeriesModel::rc);
    const ModelFit& rl = result.fit(SeriesModel::rl);
    if (rc.consistent && rl.consistent)
        return rc.chiSquare <= rl.chiSquare ? SeriesModel::rc : SeriesModel::rl;
    if (rc.consistent) return SeriesModel::rc;
    if (rl.consistent) return SeriesModel::rl;
    if (result.fit(SeriesModel::rlc).consistent) return SeriesModel::rlc;
    return std::nullopt;
}

} // namespace

bool hasComponent(SeriesModel model, Component component) {
    switch (component) {
    case Component::resistance:
        return true;
    case Component::inductance:
        return model == SeriesModel::rl || model == SeriesModel::rlc;
    case Component::elastance:
        return model == SeriesModel::rc || model == SeriesModel::rlc;
    }
    return false;
}

double ModelFit::sigma(Component c) const {
    const auto i = static_cast<std::size_t>(c);
    return std::sqrt(std::max(0.0, covariance[i][i]));
}

double ModelFit::capacitance() const {
    const double d = value(Component::elastance);
    return d != 0 ? 1 / d : 0;
}

double ModelFit::capacitanceSigma() const {
    const double d = value(Component::elastance);
    return d != 0 ? sigma(Component::elastance) / (d * d) : 0;
}

std::optional<double> ModelFit::resonance() const {
    const double l = inductance(), d = value(Component::elastance);
    if (model != SeriesModel::rlc || !solved || !(l > 0) || !(d > 0)) return std::nullopt;
    return std::sqrt(d / l) / (2 * pi);
}

double ModelFit::resonanceSigma() const {
    const std::optional<double> f0 = resonance();
    if (!f0) return 0;
    // ln f0 = (ln(1/C) - ln L) / 2 + constant.
    const double l = inductance(), d = value(Component::elastance);
    const auto li = static_cast<std::size_t>(Component::inductance);
    const auto di = static_cast<std::size_t>(Component::elastance);
    const double relative = covariance[di][di] / (d * d) + covariance[li][li] / (l * l) -
                            2 * covariance[li][di] / (l * d);
    return *f0 * std::sqrt(std::max(0.0, relative)) / 2;
}

CircuitFit fitSeriesCircuit(const std::vector<FitPoint>& points, double scaleSigma) {
    CircuitFit result;
    std::vector<const FitPoint*> used;
    for (const FitPoint& p : points)
        if (usable(p)) used.push_back(&p);
    result.points = static_cast<int>(used.size());
    for (std::size_t i = 0; i < seriesModels.size(); ++i)
        result.fits[i].model = seriesModels[i];
    if (result.points < fewestFitPoints) {
        result.verdict = FitVerdict::tooFewPoints;
        return result;
    }
    result.lowestFrequency = result.highestFrequency = used.front()->frequency;
    for (const FitPoint* p : used) {
        result.lowestFrequency = std::min(result.lowestFrequency, p->frequency);
        result.highestFrequency = std::max(result.highestFrequency, p->frequency);
    }

    const WeightedRows rows = weightedRows(used);
    for (std::size_t i = 0; i < seriesModels.size(); ++i) {
        ModelFit& fit = result.fits[i];
        fit = fitModel(seriesModels[i], rows);
        if (!fit.solved || !(scaleSigma > 0)) continue;
        for (std::size_t a = 0; a < 3; ++a)
            for (std::size_t b = 0; b < 3; ++b)
                fit.covariance[a][b] += scaleSigma * scaleSigma * fit.values[a] * fit.values[b];
    }

    result.chosen = simplestConsistent(result);
    if (!result.chosen) {
        result.verdict = FitVerdict::noModelFits;
        return result;
    }
    const ModelFit& chosen = result.fit(*result.chosen);
    if (const std::optional<double> f0 = chosen.resonance();
        f0 && (*f0 < result.lowestFrequency || *f0 > result.highestFrequency)) {
        result.verdict = FitVerdict::oneSideOfResonance;
        return result;
    }
    for (Component c : {Component::resistance, Component::inductance, Component::elastance})
        if (hasComponent(chosen.model, c) && !(chosen.value(c) > chosen.sigma(c))) {
            result.verdict = FitVerdict::valueNotResolved;
            result.unresolved = c;
            return result;
        }
    result.verdict = FitVerdict::fitted;
    return result;
}

ModelPoint modelResponse(const ModelFit& fit, double frequency) {
    const double w = 2 * pi * frequency;
    const double re = fit.resistance();
    const double im = w * fit.inductance() - fit.value(Component::elastance) / w;
    return {std::hypot(re, im), std::atan2(im, re) / degree};
}

} // namespace measure
