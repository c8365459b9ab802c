#include "app/focus_ring_style.h"

#include "app/theme.h"

#include <QApplication>
#include <QFocusEvent>
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

// Lies over the widget, takes no clicks and draws only the ring.
class AreaRing : public QWidget {
public:
    explicit AreaRing(QWidget *area) : QWidget(area), m_area(area) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
        area->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        switch (event->type()) {
        case QEvent::FocusIn:
            if (static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason) break;
            setGeometry(m_area->rect());
            raise();
            show();
            break;
        case QEvent::FocusOut:
            hide();
            break;
        case QEvent::Resize:
            setGeometry(m_area->rect());
            break;
        default:
            break;
        }
        return false;
    }
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        drawRing(&painter, rect(), palette());
    }

private:
    QWidget *m_area;
};

} // namespace

void ringWhenFocused(QWidget *area) {
    new AreaRing(area);
}

void readableStop(QWidget *figure, const QString &text) {
    if (figure->focusPolicy() == Qt::NoFocus) {
        figure->setFocusPolicy(Qt::TabFocus);
        ringWhenFocused(figure);
    }
    // Qt reports every name set as a change; a figure refreshed on each edit would be
    // re-announced without one.
    if (figure->accessibleName() != text) figure->setAccessibleName(text);
}

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
