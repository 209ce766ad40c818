#include "app/StateFields.h"

#include <QJsonArray>
#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

QJsonObject sharedStateScalars(const SharedState& s) {
    QJsonObject o;
#define ZO_FIELD(name) o.insert(QStringLiteral(#name), static_cast<double>(s.name));
    ZO_SHARED_STATE_SCALARS(ZO_FIELD)
#undef ZO_FIELD
    o.insert(QStringLiteral("numberText"), QString::fromStdString(s.numberText));
    QJsonArray shown;
    for (int i = 1; i <= 7; ++i)
        shown.append(s.timeBaseShown[i]);
    o.insert(QStringLiteral("timeBaseShown"), shown);
    return o;
}

StateSnapshot snapshotOf(const SharedState& s) {
    StateSnapshot snapshot;
    std::size_t i = 0;
#define ZO_VALUE(name) snapshot.values[i++] = static_cast<double>(s.name);
    ZO_SHARED_STATE_SCALARS(ZO_VALUE)
#undef ZO_VALUE
    snapshot.timeBaseShown = s.timeBaseShown;
    snapshot.numberText = s.numberText;
    return snapshot;
}

StateSnapshot passInputsOf(const SharedState& s) {
    // The entries of the generator's progress, found by name once.
    static const auto hidden = [] {
        static constexpr std::string_view progress[] = {
            "generatorSampleIndex",    "sweepFrequency",         "sweepStepSamples",
            "sweepStepCounter",        "lastSweepStartFrequency", "lastSweepStepSamples"};
        std::array<bool, StateSnapshot::count> mask{};
        std::size_t i = 0;
#define ZO_MARK(name)                                                                              \
    mask[i++] = std::find(std::begin(progress), std::end(progress), #name) != std::end(progress);
        ZO_SHARED_STATE_SCALARS(ZO_MARK)
#undef ZO_MARK
        return mask;
    }();
    StateSnapshot snapshot = snapshotOf(s);
    for (std::size_t i = 0; i < StateSnapshot::count; ++i)
        if (hidden[i]) snapshot.values[i] = 0;
    return snapshot;
}
