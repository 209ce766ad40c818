#include "app/DoubleClick.h"

#include "app/ErrorReport.h"

#include <QEvent>
#include <QObject>
#include <QWidget>
#include <utility>

namespace {

class DoubleClickFilter : public QObject {
public:
    DoubleClickFilter(QWidget& control, std::function<void()> reaction)
        : QObject(&control), reaction_(std::move(reaction)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick) app::reportExceptions(reaction_);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> reaction_;
};

} // namespace

void onDoubleClick(QWidget& control, std::function<void()> reaction) {
    control.installEventFilter(new DoubleClickFilter(control, std::move(reaction)));
}
