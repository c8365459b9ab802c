#include "app/step_navigation.h"

#include "app/pressable_accessible.h"
#include "app/theme.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {
constexpr int padding = 12;
constexpr int badge = 25;
constexpr int gap = 9;

// To assistive technology a step is a tab: selectable, selected when it is the current
// step, and pressing it selects it. As a checkable button it would offer "toggle",
// which marks a step without showing it.
QAccessibleInterface *stepAccessible(const QString &className, QObject *object) {
    if (className == QLatin1String("StepButton") && object && object->isWidgetType())
        return new PressableAccessible(static_cast<StepButton *>(object), QAccessible::PageTab);
    return nullptr;
}

} // namespace

StepButton::StepButton(WorkflowStep step, QWidget *parent) : QAbstractButton(parent), m_step(step) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setText(Workflow::title(step));
    setAccessibleName(Workflow::accessibleLabel(step));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus); // a click selects the step without leaving a focus ring
}

QSize StepButton::sizeHint() const {
    QFont f = font();
    f.setPointSizeF(12);
    f.setWeight(QFont::DemiBold);
    const int titleWidth = QFontMetrics(f).horizontalAdvance(text());
    return {titleWidth + 2 * padding, 2 * padding + badge + gap + QFontMetrics(f).height()};
}

QSize StepButton::minimumSizeHint() const {
    return {badge + 2 * padding, sizeHint().height()};
}

void StepButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool current = isChecked();
    const QColor secondary = Theme::secondary(palette());
    const QColor accent = Theme::accent().resolve(palette());
    const QColor forest = Theme::forest();

    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
    p.fillPath(shape,
               current ? Theme::withAlpha(forest, 0.08) : Theme::withAlpha(secondary, 0.035));
    if (current) {
        p.setPen(QPen(Theme::withAlpha(accent, 0.65), 1));
        p.drawPath(shape);
    }
    if (hasFocus() && m_keyboardFocus) {
        p.setPen(QPen(Theme::focusRing().resolve(palette()), 2));
        p.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 7, 7);
    }

    const QRectF circle(padding, padding, badge, badge);
    p.setPen(Qt::NoPen);
    p.setBrush(current ? forest : Theme::withAlpha(secondary, 0.09));
    p.drawEllipse(circle);
    QFont number = font();
    number.setPointSizeF(11);
    number.setBold(true);
    p.setFont(number);
    p.setPen(current ? QColor(Qt::white) : secondary);
    p.drawText(circle, Qt::AlignCenter, QString::number(Workflow::rawValue(m_step)));

    // The title stays on one line; it shrinks to 80 % before it is cut.
    QFont title = font();
    title.setWeight(QFont::DemiBold);
    const qreal available = width() - 2 * padding;
    qreal size = 12;
    title.setPointSizeF(size);
    while (size > 12 * 0.8 && QFontMetricsF(title).horizontalAdvance(text()) > available) {
        size -= 0.5;
        title.setPointSizeF(size);
    }
    p.setFont(title);
    p.setPen(current ? accent : secondary);
    const QRectF titleBox(padding, padding + badge + gap, available, QFontMetricsF(title).height());
    p.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetricsF(title).elidedText(text(), Qt::ElideRight, available));
}

void StepButton::focusInEvent(QFocusEvent *event) {
    const Qt::FocusReason reason = event->reason();
    m_keyboardFocus = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                      reason == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

void StepButton::focusOutEvent(QFocusEvent *event) {
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}

StepNavigation::StepNavigation(QWidget *parent) : QWidget(parent) {
    static const bool registered = (QAccessible::installFactory(stepAccessible), true);
    Q_UNUSED(registered);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(20, 20, 20, 0);
    row->setSpacing(7);
    for (WorkflowStep step : Workflow::allCases) {
        auto *button = new StepButton(step, this);
        connect(button, &QAbstractButton::clicked, this, [this, step] {
            setStage(step); // clicking the current step keeps it marked
            emit stageSelected(step);
        });
        row->addWidget(button, 1);
        m_buttons.append(button);
    }
    setStage(WorkflowStep::basic);
}

void StepNavigation::setStage(WorkflowStep stage) {
    m_stage = stage;
    for (StepButton *b : m_buttons) {
        b->setChecked(b->step() == stage); // checked is the current step's selected state
        b->update();
    }
    // Focus on the row stays with the chosen step, ring and all.
    auto *focused = qobject_cast<StepButton *>(QApplication::focusWidget());
    if (focused && m_buttons.contains(focused) && focused->step() != stage)
        button(stage)->setFocus(focused->m_keyboardFocus ? Qt::TabFocusReason
                                                         : Qt::OtherFocusReason);
}

StepButton *StepNavigation::button(WorkflowStep step) const {
    return m_buttons.value(Workflow::rawValue(step) - 1);
}

StepHeading::StepHeading(QWidget *parent)
    : QWidget(parent), m_line(new QLabel(this)), m_guidance(new QLabel(this)) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(22, 18, 22, 4);
    column->setSpacing(6);
    QFont line = font();
    line.setPointSizeF(10);
    line.setWeight(QFont::DemiBold);
    line.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    m_line->setFont(line);
    QFont headline = font();
    headline.setPointSizeF(font().pointSizeF() + 2);
    headline.setBold(true);
    m_guidance->setFont(headline);
    m_guidance->setWordWrap(true);
    column->addWidget(m_line);
    column->addWidget(m_guidance);
    Theme::tint(m_line, Theme::secondary);
    setStage(WorkflowStep::basic);
}

void StepHeading::setStage(WorkflowStep stage) {
    m_line->setText(Workflow::headingLine(stage));
    m_guidance->setText(Workflow::guidance(stage));
}

QString StepHeading::lineText() const {
    return m_line->text();
}
QString StepHeading::guidanceText() const {
    return m_guidance->text();
}
