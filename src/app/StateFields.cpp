#include "app/StateFields.h"

#include <QJsonArray>
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
    StateSnapshot snapshot = snapshotOf(s);
    static constexpr std::string_view generatorProgress[] = {
        "generatorSampleIndex",    "sweepFrequency",         "sweepStepSamples",
        "sweepStepCounter",        "lastSweepStartFrequency", "lastSweepStepSamples"};
    std::size_t i = 0;
#define ZO_HIDE(name)                                                                              \
    if (std::find(std::begin(generatorProgress), std::end(generatorProgress), #name) !=           \
        std::end(generatorProgress))                                                               \
        snapshot.values[i] = 0;                                                                    \
    ++i;
    ZO_SHARED_STATE_SCALARS(ZO_HIDE)
#undef ZO_HIDE
    return snapshot;
}
