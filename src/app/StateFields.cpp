#include "app/StateFields.h"

#include <QJsonArray>

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
