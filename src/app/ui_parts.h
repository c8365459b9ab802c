#pragma once

#include <QList>
#include <QtGlobal>

class QFrame;
class QLabel;
class QLayout;
class QString;
class QWidget;

// Small pieces every view of the window is built from.

// Caption-sized text in the desktop's secondary colour.
QLabel *secondaryLabel(const QString &text, QWidget *parent, qreal sizeDelta = -1.5);

// A symbol of the icon theme (or its bundled drawing) as a label of `size` pixels.
QLabel *symbolLabel(const char *freedesktopName, int size, QWidget *parent);

// A thin horizontal line between blocks.
QFrame *divider(QWidget *parent);

// The widgets that Tab can reach inside `layout`, in the order the layouts show them;
// parts hidden on purpose are left out.
QList<QWidget *> focusablesInLayoutOrder(QLayout *layout);

// Links `chain` into Tab order, one after the other.
void chainTabs(const QList<QWidget *> &chain);
