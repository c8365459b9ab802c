#include "app/theme.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <cmath>

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

QColor orange() {
    return QColor(255, 149, 0);
}

const AdaptiveInk &warningInk() {
    static const AdaptiveInk ink =
        adaptiveInk({160 / 255.0f, 75 / 255.0f, 0.0f}, {1.0f, 160 / 255.0f, 40 / 255.0f});
    return ink;
}

const AdaptiveInk &focusRing() {
    static const AdaptiveInk ink = adaptiveInk({0.1f, 0.45f, 0.91f}, {0.54f, 0.71f, 0.97f});
    return ink;
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

qreal contrast(const QColor &a, const QColor &b) {
    const auto luminance = [](const QColor &c) {
        const auto channel = [](qreal v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const qreal la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor composite(const QColor &over, const QColor &under) {
    const qreal a = over.alphaF();
    return QColor::fromRgbF(float(over.redF() * a + under.redF() * (1 - a)),
                            float(over.greenF() * a + under.greenF() * (1 - a)),
                            float(over.blueF() * a + under.blueF() * (1 - a)));
}

QList<TextOnBackground> textsOnBackgrounds(const QPalette &palette) {
    const QColor window = palette.color(QPalette::Window);
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::WindowText);
    const QColor warningBar = composite(withAlpha(orange(), 0.07), window);
    const QColor forestTint = composite(withAlpha(forest(), 0.07), window);
    return {
        {"secondary text", secondary(palette), window, false},
        {"field problem on the form", errorInk().resolve(palette), window, false},
        {"field problem in an entry box", errorInk().resolve(palette), base, false},
        {"inline message on its bar", warningInk().resolve(palette), warningBar, false},
        {"readiness problem on its card", secondary(palette), warningBar, false},
        {"readiness title on its card", text, warningBar, false},
        {"badge and net row on the green tint", accent().resolve(palette), forestTint, false},
        {"current step's title", accent().resolve(palette), forestTint, false},
        {"net payment bar", Qt::white, forest(), false},
        {"focus ring on the window", focusRing().resolve(palette), window, true},
        {"chosen segment's text", chosenSegment(palette).text, chosenSegment(palette).fill, false},
        // Not text, but what tells the choice: held to the ratio of large text.
        {"chosen segment against the other", chosenSegment(palette).fill,
         palette.color(QPalette::Button), true},
    };
}

Segment chosenSegment(const QPalette &palette) {
    return {accent().resolve(palette), isDark(palette) ? QColor(16, 24, 20) : QColor(Qt::white)};
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
