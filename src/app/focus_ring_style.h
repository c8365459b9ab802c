#pragma once

#include <QProxyStyle>

// The desktop's style, with one change: the control that has keyboard focus gets a ring
// in its own colour, so focus never looks like the default button's frame.
class FocusRingStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

    // Puts the style on the application, around the one in force.
    static void install();
};
