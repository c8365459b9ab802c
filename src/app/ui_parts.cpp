#include "app/ui_parts.h"

#include "app/icons.h"
#include "app/theme.h"

#include <QFrame>
#include <QLabel>

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
