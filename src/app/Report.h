#pragma once
// The program's view of itself as one JSON object: the sound card in use,
// every control with its place relative to the client area, the menu tree and
// every scalar of the shared state. Its keys are stable; scripts and tests
// rely on them.

#include <QJsonObject>

class TForm1;
class QWidget;

QJsonObject controlReport(const TForm1& form, const QWidget& control);
QJsonObject windowReport(const TForm1& form);
