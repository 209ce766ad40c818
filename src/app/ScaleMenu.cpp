#include "app/ScaleMenu.h"

#include "app/ErrorReport.h"
#include "app/WindowScale.h"
#include "core/Exception.h"

#include <QActionGroup>
#include <QMenu>
#include <cmath>

QMenu* addScaleMenu(QMenu& screenMenu, std::function<void(double scale)> chosen) {
    screenMenu.addSeparator();
    QMenu* menu = screenMenu.addMenu(QStringLiteral("velikost okna"));
    menu->setObjectName(QStringLiteral("scaleMenu"));
    auto* group = new QActionGroup(menu);
    // A size from --scale that the menu does not offer checks none.
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    auto inForce = [](double scale) { return std::abs(windowScale() - scale) < 1e-9; };
    for (const int percent : windowScalePercents) {
        QAction* action = menu->addAction(QStringLiteral("%1 %").arg(percent));
        action->setObjectName(QStringLiteral("scale%1Action").arg(percent));
        action->setCheckable(true);
        action->setActionGroup(group);
        const double scale = percent / 100.0;
        action->setData(scale);
        action->setChecked(inForce(scale));
        QObject::connect(
            action, &QAction::triggered, menu, app::guarded([group, scale, inForce, chosen] {
                if (inForce(scale)) return;
                if (const QString failure = saveWindowScale(scale); !failure.isEmpty()) {
                    // The check mark goes back to the size in force.
                    for (QAction* a : group->actions())
                        a->setChecked(inForce(a->data().toDouble()));
                    throw Exception(failure.toStdString());
                }
                chosen(scale);
            }));
    }
    return menu;
}
