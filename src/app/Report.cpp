#include "app/Report.h"

#include "app/CanvasWidget.h"
#include "app/ComboBoxItem.h"
#include "app/Form1.h"
#include "app/StateFields.h"
#include "platform/SoundCard.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollBar>

namespace {

QJsonObject menuEntry(const QMenuBar* bar, const QAction* action) {
    QJsonObject entry;
    entry.insert(QStringLiteral("name"), action->objectName());
    entry.insert(QStringLiteral("caption"), action->text());
    entry.insert(QStringLiteral("checked"), action->isCheckable() && action->isChecked());
    entry.insert(QStringLiteral("enabled"), action->isEnabled());
    if (bar != nullptr) {
        const QRect place = bar->actionGeometry(const_cast<QAction*>(action));
        entry.insert(QStringLiteral("x"), place.x());
        entry.insert(QStringLiteral("w"), place.width());
    }
    QJsonArray items;
    if (const QMenu* menu = action->menu()) {
        for (const QAction* item : menu->actions())
            items.append(menuEntry(nullptr, item));
    }
    entry.insert(QStringLiteral("items"), items);
    return entry;
}

QJsonObject fontReport(const QFont& font) {
    QJsonObject o;
    o.insert(QStringLiteral("family"), font.family());
    o.insert(QStringLiteral("pixelSize"), font.pixelSize());
    o.insert(QStringLiteral("bold"), font.bold());
    return o;
}

} // namespace

QJsonObject controlReport(const TForm1& form, const QWidget& control) {
    QJsonObject o;
    const QWidget* parent = control.parentWidget();
    const QPoint place = control.mapTo(form.canvas(), QPoint(0, 0));
    o.insert(QStringLiteral("name"), control.objectName());
    o.insert(QStringLiteral("class"), QString::fromLatin1(control.metaObject()->className()));
    o.insert(QStringLiteral("parent"),
             parent == form.canvas() ? QStringLiteral("Form1") : parent->objectName());
    o.insert(QStringLiteral("x"), place.x());
    o.insert(QStringLiteral("y"), place.y());
    o.insert(QStringLiteral("w"), control.width());
    o.insert(QStringLiteral("h"), control.height());

    QString text;
    QJsonArray items;
    int itemIndex = -1;
    bool checked = false;
    QPalette::ColorRole background = QPalette::Window;
    QPalette::ColorRole foreground = QPalette::WindowText;
    if (const auto* edit = qobject_cast<const QLineEdit*>(&control)) {
        text = edit->text();
        background = QPalette::Base;
        foreground = QPalette::Text;
    } else if (const auto* box = qobject_cast<const QComboBox*>(&control)) {
        text = box->currentText();
        for (int i = 0; i < box->count(); ++i)
            items.append(box->itemText(i));
        itemIndex = ItemIndex(*box);
        background = QPalette::Base;
        foreground = QPalette::Text;
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) {
        text = button->text();
        checked = button->isCheckable() && button->isChecked();
        if (!qobject_cast<const QRadioButton*>(&control)) {
            background = QPalette::Button;
            foreground = QPalette::ButtonText;
        }
    } else if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        text = label->text();
    } else if (const auto* bar = qobject_cast<const QScrollBar*>(&control)) {
        o.insert(QStringLiteral("min"), bar->minimum());
        o.insert(QStringLiteral("max"), bar->maximum());
        o.insert(QStringLiteral("position"), bar->value());
        o.insert(QStringLiteral("largeChange"), bar->pageStep());
        o.insert(QStringLiteral("smallChange"), bar->singleStep());
    }
    o.insert(QStringLiteral("text"), text);
    o.insert(QStringLiteral("items"), items);
    o.insert(QStringLiteral("itemIndex"), itemIndex);
    o.insert(QStringLiteral("hint"), control.toolTip());
    // Visible and enabled are the control's own settings, as for a hidden panel's children.
    o.insert(QStringLiteral("visible"), control.isVisibleTo(parent));
    o.insert(QStringLiteral("enabled"), control.isEnabledTo(parent));
    o.insert(QStringLiteral("checked"), checked);
    o.insert(QStringLiteral("font"), fontReport(control.font()));
    o.insert(QStringLiteral("colour"), control.palette().color(background).name());
    o.insert(QStringLiteral("textColour"), control.palette().color(foreground).name());
    return o;
}

QJsonObject windowReport(const TForm1& form) {
    QJsonObject report;
    report.insert(QStringLiteral("audio"),
                  platform::hasSoundCard() ? QString::fromStdString(platform::soundCard().name())
                                           : QStringLiteral("none"));

    QJsonObject window;
    window.insert(QStringLiteral("title"), form.windowTitle());
    window.insert(QStringLiteral("clientWidth"), form.canvas()->width());
    window.insert(QStringLiteral("clientHeight"), form.canvas()->height());
    window.insert(QStringLiteral("menuHeight"), form.menuBar()->height());
    window.insert(QStringLiteral("width"), form.width());
    window.insert(QStringLiteral("height"), form.height());
    report.insert(QStringLiteral("window"), window);

    QJsonArray controls;
    for (const QWidget* control : form.controls())
        controls.append(controlReport(form, *control));
    report.insert(QStringLiteral("controls"), controls);

    QJsonArray menu;
    for (const QAction* action : form.menuBar()->actions())
        menu.append(menuEntry(form.menuBar(), action));
    report.insert(QStringLiteral("menu"), menu);

    report.insert(QStringLiteral("state"), sharedStateScalars(form.state));
    return report;
}
