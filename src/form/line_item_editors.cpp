#include "form/line_item_editors.h"

#include "app/pressable_accessible.h"
#include "app/theme.h"
#include "app/ui_parts.h"
#include "form/amount_field.h"
#include "form/limited_field.h"
#include "form/row_heading.h"
#include "payroll/money.h"

#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

LineItemEditor::LineItemEditor(QUuid id, QWidget *parent) : QWidget(parent), m_id(id) {}

void LineItemEditor::adopt(ValidatedField *field) {
    connect(field, &ValidatedField::edited, this, &LineItemEditor::edited);
}

QVBoxLayout *LineItemEditor::startColumn(int verticalMargin, int spacing, Binding<QString> label) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, verticalMargin, 0, verticalMargin);
    column->setSpacing(spacing);
    m_heading = new RowHeading(std::move(label), this);
    adopt(m_heading->labelField());
    connect(m_heading, &RowHeading::removeRequested, this, [this] { emit removeRequested(m_id); });
    column->addWidget(m_heading);
    return column;
}

void LineItemEditor::setRowNumber(int number) {
    m_rowNumber = number;
    nameByRow();
}

// Every row has the same fields; their names say which row they are in.
void LineItemEditor::nameByRow() {
    if (m_rowNumber < 1) return;
    const QString prefix = QStringLiteral("第 %1 行 ").arg(m_rowNumber);
    const QList<QWidget *> parts = findChildren<QWidget *>();
    for (QWidget *w : parts) {
        QVariant plain = w->property("corvaneRowlessName");
        if (!plain.isValid()) {
            if (w->accessibleName().isEmpty()) continue;
            plain = w->accessibleName();
            w->setProperty("corvaneRowlessName", plain);
        }
        w->setAccessibleName(prefix + plain.toString());
    }
}

void LineItemEditor::refresh() {
    const QList<ValidatedField *> fields = findChildren<ValidatedField *>();
    for (ValidatedField *field : fields)
        field->refresh();
}

namespace {

// The hourly/fixed choice looks like joined buttons; to assistive technology it is a group
// of radio buttons, one of them checked. As checkable push buttons they would read as two
// independent check boxes.
const char segmentProperty[] = "corvaneSegment";
const char choiceProperty[] = "corvaneChoice";

QAccessibleInterface *choiceAccessible(const QString &, QObject *object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto *w = static_cast<QWidget *>(object);
    if (w->property(segmentProperty).toBool())
        return new PressableAccessible(static_cast<QAbstractButton *>(w), QAccessible::RadioButton);
    if (w->property(choiceProperty).toBool())
        return new QAccessibleWidget(w, QAccessible::Grouping);
    return nullptr;
}

QHBoxLayout *pair(QWidget *left, QWidget *right) {
    auto *row = new QHBoxLayout;
    row->setSpacing(12);
    row->addWidget(left, 1, Qt::AlignTop);
    row->addWidget(right, 1, Qt::AlignTop);
    return row;
}

} // namespace

EarningEditor::EarningEditor(Binding<Earning> row, QUuid id, QWidget *parent)
    : LineItemEditor(id, parent), m_row(std::move(row)), m_hourly(new QPushButton(this)),
      m_fixed(new QPushButton(this)), m_amountArea(new QWidget(this)),
      m_ytd(new AmountField(
          QStringLiteral("年度累计 YTD $"), memberBinding(m_row, &Earning::ytd),
          // No minimum while the current amount cannot be read.
          [this] { return m_row.get().readableCurrent(); }, std::nullopt, this)),
      m_current(new QLabel(this)) {
    // Marked before their first text: that already makes their accessible interface.
    static const bool registered = (QAccessible::installFactory(choiceAccessible), true);
    Q_UNUSED(registered);
    m_hourly->setProperty(segmentProperty, true);
    m_fixed->setProperty(segmentProperty, true);
    m_hourly->setText(QStringLiteral("按工时"));
    m_fixed->setText(QStringLiteral("固定金额"));
    QVBoxLayout *column = startColumn(5, 10, memberBinding(m_row, &Earning::label));

    // The segmented choice of how the amount is made.
    auto *choiceGroup = new QWidget(this);
    choiceGroup->setProperty(choiceProperty, true);
    choiceGroup->setAccessibleName(QStringLiteral("计算方式"));
    auto *choice = new QHBoxLayout(choiceGroup);
    choice->setContentsMargins(0, 0, 0, 0);
    choice->setSpacing(0);
    choice->addWidget(new QLabel(QStringLiteral("计算方式"), choiceGroup));
    choice->addSpacing(10);
    auto *group = new QButtonGroup(this);
    for (QPushButton *b : {m_hourly, m_fixed}) {
        b->setCheckable(true);
        group->addButton(b);
        choice->addWidget(b);
    }
    choice->addStretch(1);
    column->addWidget(choiceGroup);
    Theme::follow(choiceGroup, [this] { paintSegments(); });
    m_hourly->setChecked(m_row.get().hourly);
    m_fixed->setChecked(!m_row.get().hourly);
    connect(m_hourly, &QPushButton::clicked, this, [this] { setHourly(true); });
    connect(m_fixed, &QPushButton::clicked, this, [this] { setHourly(false); });

    new QVBoxLayout(m_amountArea);
    m_amountArea->layout()->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_amountArea);
    buildAmountFields();

    adopt(m_ytd);
    column->addWidget(m_ytd);

    auto *line = new QHBoxLayout;
    line->addWidget(secondaryLabel(QStringLiteral("本期收入"), this));
    line->addStretch(1);
    QFont caption = m_current->font();
    caption.setPointSizeF(caption.pointSizeF() - 1.5);
    m_current->setFont(caption);
    line->addWidget(m_current);
    column->addLayout(line);
    refresh();
}

void EarningEditor::buildAmountFields() {
    // The fields of the other choice leave the screen; coming back they start untouched.
    delete m_hours;
    delete m_rate;
    delete m_amount;
    m_hours = m_rate = m_amount = nullptr;
    QLayoutItem *old = m_amountArea->layout()->takeAt(0);
    delete old;
    auto *area = static_cast<QVBoxLayout *>(m_amountArea->layout());
    if (m_row.get().hourly) {
        m_hours = new AmountField(QStringLiteral("工时"), memberBinding(m_row, &Earning::hours), {},
                                  Money::hoursLimit, m_amountArea);
        m_rate = new AmountField(QStringLiteral("时薪 $"), memberBinding(m_row, &Earning::rate), {},
                                 std::nullopt, m_amountArea);
        adopt(m_hours);
        adopt(m_rate);
        area->addLayout(pair(m_hours, m_rate));
    } else {
        m_amount =
            new AmountField(QStringLiteral("本期收入"), memberBinding(m_row, &Earning::amount), {},
                            std::nullopt, m_amountArea);
        adopt(m_amount);
        area->addWidget(m_amount);
    }
    nameByRow();
}

void EarningEditor::setHourly(bool hourly) {
    Earning row = m_row.get();
    if (row.hourly == hourly) return;
    // Unreadable hours or rate: the amount keeps what it had.
    if (row.hourly && !hourly)
        if (const auto cents = Money::readableHours(row.hours, row.rate))
            row.amount = Money::plain(*cents);
    row.hourly = hourly;
    m_row.set(row);
    buildAmountFields();
    paintSegments();
    emit edited();
}

QString EarningEditor::currentText() const {
    return m_current->text();
}

// The chosen segment in the theme's accent, its text in the colour that reads on it; the
// other keeps the desktop's button colours. Checked alone looks almost the same in a dark
// palette.
void EarningEditor::paintSegments() {
    for (QPushButton *b : {m_hourly, m_fixed}) {
        QPalette pal = palette();
        if (b->isChecked()) {
            const Theme::Segment chosen = Theme::chosenSegment(pal);
            pal.setColor(QPalette::Button, chosen.fill);
            pal.setColor(QPalette::ButtonText, chosen.text);
        }
        b->setPalette(pal);
    }
}

void EarningEditor::refresh() {
    const Earning row = m_row.get();
    m_hourly->setChecked(row.hourly);
    m_fixed->setChecked(!row.hourly);
    paintSegments();
    if (row.hourly != (m_hours != nullptr)) buildAmountFields();
    const auto current = row.readableCurrent();
    m_current->setText(current ? Money::string(*current) : QStringLiteral("—"));
    LineItemEditor::refresh();
}

DeductionEditor::DeductionEditor(Binding<Deduction> row, QUuid id, QWidget *parent)
    : LineItemEditor(id, parent) {
    QVBoxLayout *column = startColumn(7, 12, memberBinding(row, &Deduction::label));
    m_amount = new AmountField(QStringLiteral("本期扣款 $"), memberBinding(row, &Deduction::amount),
                               {}, std::nullopt, this);
    m_ytd = new AmountField(
        QStringLiteral("年度累计 YTD $"), memberBinding(row, &Deduction::ytd),
        [row] { return Money::readableCents(row.get().amount); }, std::nullopt, this);
    adopt(m_amount);
    adopt(m_ytd);
    column->addLayout(pair(m_amount, m_ytd));
}

ReimbursementEditor::ReimbursementEditor(Binding<Reimbursement> row, QUuid id, QWidget *parent)
    : LineItemEditor(id, parent) {
    QVBoxLayout *column = startColumn(7, 12, memberBinding(row, &Reimbursement::label));
    m_amount = new AmountField(QStringLiteral("本期报销 $"),
                               memberBinding(row, &Reimbursement::amount), {}, std::nullopt, this);
    adopt(m_amount);
    column->addWidget(m_amount);
}
