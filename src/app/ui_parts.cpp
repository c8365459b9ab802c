#include "app/ui_parts.h"

#include "app/icons.h"
#include "app/theme.h"

#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QSplitter>

QLabel *secondaryLabel(const QString &text, QWidget *parent, qreal sizeDelta) {
    auto *label = new QLabel(text, parent);
    label->setFont(Theme::font(label->font(), sizeDelta));
    Theme::tint(label, Theme::secondary);
    return label;
}

QLabel *symbolLabel(const char *freedesktopName, int size, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setPixmap(Icons::named(freedesktopName).pixmap(size, size));
    return label;
}

QFrame *divider(QWidget *parent) {
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

namespace {

void collectInLayoutOrder(QLayout *layout, QList<QWidget *> &out);

void collectWidget(QWidget *w, QList<QWidget *> &out) {
    // A widget just added to a layout is shown a moment later; only one hidden on
    // purpose is skipped.
    if (!w || (w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide))) return;
    if (w->focusPolicy() & Qt::TabFocus) out.append(w);
    if (w->layout()) {
        collectInLayoutOrder(w->layout(), out);
    } else if (auto *scroll = qobject_cast<QScrollArea *>(w); scroll && scroll->widget()) {
        collectWidget(scroll->widget(), out);
    } else if (auto *split = qobject_cast<QSplitter *>(w)) {
        for (int i = 0; i < split->count(); ++i)
            collectWidget(split->widget(i), out);
    }
}

void collectInLayoutOrder(QLayout *layout, QList<QWidget *> &out) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget())
            collectWidget(item->widget(), out);
        else if (item->layout())
            collectInLayoutOrder(item->layout(), out);
    }
}

} // namespace

QList<QWidget *> focusablesInLayoutOrder(QLayout *layout) {
    QList<QWidget *> out;
    collectInLayoutOrder(layout, out);
    return out;
}

void chainTabs(const QList<QWidget *> &chain) {
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}
