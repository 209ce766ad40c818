#include "app/CompactStyle.h"

#include <QStyleFactory>
#include <QStyleOption>

CompactStyle::CompactStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int CompactStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
    switch (metric) {
    case PM_RadioButtonLabelSpacing:
        return 2;
    case PM_ButtonMargin:
        return 2;
    case PM_ButtonDefaultIndicator:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QRect CompactStyle::subElementRect(SubElement element, const QStyleOption* option,
                                   const QWidget* widget) const {
    // A button's caption may use the face up to its frame.
    if (element == SE_PushButtonContents) return option->rect.adjusted(1, 1, -1, -1);
    return QProxyStyle::subElementRect(element, option, widget);
}

QRect CompactStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                   SubControl sub, const QWidget* widget) const {
    if (control == CC_ComboBox) {
        constexpr int arrowWidth = 14;
        const QRect frame = option->rect.adjusted(1, 1, -1, -1);
        if (sub == SC_ComboBoxArrow)
            return QRect(frame.right() - arrowWidth + 1, frame.top(), arrowWidth, frame.height());
        if (sub == SC_ComboBoxEditField)
            return QRect(frame.left() + 1, frame.top() + 1, frame.width() - arrowWidth - 2,
                         frame.height() - 2);
    }
    return QProxyStyle::subControlRect(control, option, sub, widget);
}
