#include "app/theme.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

namespace Theme {

namespace {

QColor fromTriple(Triple t) {
    return QColor::fromRgbF(t.red, t.green, t.blue, 1.0f);
}

class PaletteFollower : public QObject {
public:
    PaletteFollower(QWidget *widget, std::function<void()> apply)
        : QObject(widget), m_apply(std::move(apply)) {
        widget->installEventFilter(this);
        m_apply();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::PaletteChange ||
            event->type() == QEvent::ApplicationPaletteChange)
            m_apply();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_apply;
};

} // namespace

bool isDark(const QPalette &palette) {
    return palette.color(QPalette::Window).lightnessF() <
           palette.color(QPalette::WindowText).lightnessF();
}

QColor AdaptiveInk::resolve(const QPalette &palette) const {
    return fromTriple(isDark(palette) ? m_dark : m_light);
}

QColor AdaptiveInk::current() const {
    return resolve(QGuiApplication::palette());
}

QColor forest() {
    return QColor::fromRgbF(33 / 255.0f, 75 / 255.0f, 65 / 255.0f, 1.0f);
}

const AdaptiveInk &accent() {
    static const AdaptiveInk ink = adaptiveInk({0.13f, 0.29f, 0.25f}, {0.64f, 0.86f, 0.73f});
    return ink;
}

const AdaptiveInk &errorInk() {
    static const AdaptiveInk ink = adaptiveInk({0.63f, 0.17f, 0.12f}, {1.0f, 0.66f, 0.6f});
    return ink;
}

QColor secondary(const QPalette &palette) {
    QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    return QColor::fromRgbF((text.redF() * 3 + window.redF() * 2) / 5,
                            (text.greenF() * 3 + window.greenF() * 2) / 5,
                            (text.blueF() * 3 + window.blueF() * 2) / 5);
}

QColor withAlpha(QColor c, qreal opacity) {
    c.setAlphaF(float(opacity));
    return c;
}

void follow(QWidget *widget, std::function<void()> apply) {
    new PaletteFollower(widget, std::move(apply));
}

QFont font(QFont base, qreal delta, QFont::Weight weight) {
    base.setPointSizeF(base.pointSizeF() + delta);
    base.setWeight(weight);
    return base;
}

void tint(QWidget *widget, std::function<QColor(const QPalette &)> colour) {
    follow(widget, [widget, colour = std::move(colour)] {
        const QWidget *parent = widget->parentWidget();
        QPalette pal = widget->palette();
        pal.setColor(QPalette::WindowText, colour(parent ? parent->palette() : widget->palette()));
        widget->setPalette(pal);
    });
}

} // namespace Theme
