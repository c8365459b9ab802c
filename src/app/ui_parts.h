#pragma once

#include <QtGlobal>

class QFrame;
class QLabel;
class QString;
class QWidget;

// Small pieces every view of the window is built from.

// Caption-sized text in the desktop's secondary colour.
QLabel *secondaryLabel(const QString &text, QWidget *parent, qreal sizeDelta = -1.5);

// A symbol of the icon theme (or its bundled drawing) as a label of `size` pixels.
QLabel *symbolLabel(const char *freedesktopName, int size, QWidget *parent);

// A thin horizontal line between blocks.
QFrame *divider(QWidget *parent);
