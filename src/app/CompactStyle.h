#pragma once
// The look of the program: the toolkit's Fusion style with the tighter
// spacing of the instrument's small controls (radio captions close to their
// indicators, button captions using the whole face, narrow combo-box arrows), so that each caption
// fits the box it was laid out for.

#include <QProxyStyle>

class CompactStyle : public QProxyStyle {
    Q_OBJECT
public:
    CompactStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override;
};
