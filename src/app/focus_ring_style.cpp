#include "app/focus_ring_style.h"

#include "app/theme.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>

namespace {

bool keyboardFocus(const QStyleOption *option) {
    return (option->state & QStyle::State_HasFocus) &&
           (option->state & QStyle::State_KeyboardFocusChange);
}

void drawRing(QPainter *painter, const QRect &rect, const QPalette &palette) {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Theme::focusRing().resolve(palette), 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(rect).adjusted(1, 1, -1, -1), 3, 3);
    painter->restore();
}

} // namespace

void FocusRingStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                   QPainter *painter, const QWidget *widget) const {
    switch (element) {
    case PE_FrameFocusRect:
        drawRing(painter, option->rect, option->palette);
        return;
    case PE_PanelButtonCommand:
    case PE_PanelButtonTool:
        if (keyboardFocus(option)) {
            // The style would mark focus like the default button; the ring does it instead.
            QStyleOption plain(*option);
            plain.state &= ~QStyle::State_HasFocus;
            QProxyStyle::drawPrimitive(element, &plain, painter, widget);
            drawRing(painter, option->rect, option->palette);
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void FocusRingStyle::install() {
    if (qobject_cast<FocusRingStyle *>(QApplication::style())) return;
    QApplication::setStyle(new FocusRingStyle(QApplication::style()->name()));
}
