#pragma once
// Every scalar of the shared state by its name, for reports and scripts.

#include "core/SharedState.h"

#include <QJsonObject>

// The scalars (numbers, flags, the number text) and the small timeBaseShown
// array, keyed by their names.
QJsonObject sharedStateScalars(const SharedState& state);
