#pragma once

#include <QProxyStyle>

class QAbstractScrollArea;

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

// Rings `area` while it has focus that the keyboard or the window gave it (a click does not):
// a scroll area's content covers its frame, so the style has nowhere to draw one.
void ringWhenFocused(QAbstractScrollArea *area);
