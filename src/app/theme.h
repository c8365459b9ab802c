#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPalette>

#include <functional>

class QWidget;

// The fixed colour theme. `forest` is one colour; `accent` and `errorInk` have a light
// and a dark form and are resolved against the palette in force, so views re-read
// them when the desktop switches between light and dark.
namespace Theme {

struct Triple {
    float red;
    float green;
    float blue;
};

class AdaptiveInk {
public:
    constexpr AdaptiveInk(Triple light, Triple dark) : m_light(light), m_dark(dark) {}
    QColor resolve(const QPalette &palette) const;
    QColor current() const; // against the application palette

private:
    Triple m_light;
    Triple m_dark;
};

constexpr AdaptiveInk adaptiveInk(Triple light, Triple dark) {
    return AdaptiveInk(light, dark);
}

// Dark when the window colour is darker than the window text; light otherwise.
bool isDark(const QPalette &palette);

QColor forest();
// The warning hue of the readiness card and the inline message's bar.
QColor orange();
const AdaptiveInk &accent();
const AdaptiveInk &errorInk();
// Orange text that stays readable on an orange-tinted bar.
const AdaptiveInk &warningInk();
// The ring around the control that has keyboard focus, unlike any control's own look.
const AdaptiveInk &focusRing();

// The desktop's secondary text colour: window text, softened.
QColor secondary(const QPalette &palette);

// The contrast ratio of two opaque colours (1 to 21), as accessibility guidelines
// measure it.
qreal contrast(const QColor &a, const QColor &b);

// `over` with its opacity laid on the opaque `under`.
QColor composite(const QColor &over, const QColor &under);

// The chosen option of a segmented choice: its fill and the colour of its text. The other
// options keep the palette's button colours.
struct Segment {
    QColor fill;
    QColor text;
};
Segment chosenSegment(const QPalette &palette);

// Every kind of text the window draws on a background of its own colour, resolved
// against `palette`: what has to stay readable.
struct TextOnBackground {
    const char *what;
    QColor text;
    QColor background;
    bool large; // 18 pt, or 14 pt bold: a lower ratio suffices
};
QList<TextOnBackground> textsOnBackgrounds(const QPalette &palette);

// `c` at the given opacity (0…1).
QColor withAlpha(QColor c, qreal opacity);

// `base` resized by `delta` points, at `weight`.
QFont font(QFont base, qreal delta, QFont::Weight weight = QFont::Normal);

// Colours `widget`'s text with `colour` resolved against its parent's palette, now and
// whenever the appearance changes.
void tint(QWidget *widget, std::function<QColor(const QPalette &)> colour);

// Runs `apply` now and again whenever `widget`'s palette or the application palette
// changes, for the lifetime of the widget.
void follow(QWidget *widget, std::function<void()> apply);

} // namespace Theme
