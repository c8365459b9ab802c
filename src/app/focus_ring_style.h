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

// Rings `area` while it has focus that the keyboard or the window gave it (a click does not):
// for widgets the style draws no focus on, such as a scroll area whose content covers its
// frame, or a figure that takes focus only to be read.
void ringWhenFocused(QWidget *area);

// Makes `figure` a stop of the Tab chain that a screen reader reads as `text`, whole:
// a sum drawn in several labels is otherwise read in pieces, or not at all.
void readableStop(QWidget *figure, const QString &text);
