#include "form/payroll_form.h"

#include "app/icons.h"
#include "app/ui_parts.h"
#include "corvane/version.h"
#include "form/amount_field.h"
#include "form/field_rules.h"
#include "form/form_section.h"
#include "form/item_list_section.h"
#include "form/limited_field.h"
#include "form/line_item_editors.h"
#include "form/optional_date_field.h"
#include "form/row_heading.h"
#include "form/validated_field.h"
#include "payroll/money.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

// Rows of a draft list, found by id on every access.
template <typename Row>
Binding<Row> rowBinding(PayrollDraft *draft, QList<Row> PayrollDraft::*list, QUuid id) {
    return {[=] {
                for (const Row &r : draft->*list)
                    if (r.id == id) return r;
                return Row{};
            },
            [=](const Row &value) {
                for (Row &r : draft->*list)
                    if (r.id == id) r = value;
            }};
}

template <typename Row> struct EditorFor;
template <> struct EditorFor<Earning> { using type = EarningEditor; };
template <> struct EditorFor<Deduction> { using type = DeductionEditor; };
template <> struct EditorFor<Reimbursement> { using type = ReimbursementEditor; };

template <typename Row> Row newRow() {
    return Row{};
}
// A new earning has no description, unlike the default row of a new draft.
template <> Earning newRow<Earning>() {
    Earning e;
    e.label.clear();
    return e;
}

QComboBox *choice(const QList<std::pair<QString, QVariant>> &options, QWidget *parent) {
    auto *box = new QComboBox(parent);
    for (const auto &[text, value] : options)
        box->addItem(text, value);
    return box;
}

// The notes exactly as typed or pasted: the plain-text view would turn no-break spaces
// into spaces. Only the document's own paragraph breaks become the "\n" they came from.
QString typedText(const QPlainTextEdit *edit) {
    return edit->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

// A choice's row: its title, labelling the box, and the box. On Linux, Qt gives a combo
// box its current text as its name and the title by relation, and a screen reader reads
// the title only; so the label's accessible name carries the value too.
QHBoxLayout *choiceRow(const QString &title, QComboBox *box, QWidget *parent) {
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(title, parent);
    label->setBuddy(box);
    box->setAccessibleName(title);
    const auto name = [label, title](const QString &value) {
        label->setAccessibleName(title + QStringLiteral("：") + value);
    };
    name(box->currentText());
    QObject::connect(box, &QComboBox::currentTextChanged, label, name);
    row->addWidget(label);
    row->addStretch(1);
    row->addWidget(box);
    return row;
}

void selectData(QComboBox *box, const QVariant &value) {
    const int index = box->findData(value);
    if (index >= 0) box->setCurrentIndex(index);
}

} // namespace

PayrollForm::PayrollForm(PayrollDraft *draft, WorkflowStep stage, QWidget *parent)
    : QWidget(parent), m_draft(draft), m_stage(stage), m_scroll(new QScrollArea(this)) {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    // The fields take focus, not the page around them; it scrolls to the focused one.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setAccessibleName(QStringLiteral("工资单填写"));
    build();
}

void PayrollForm::setStage(WorkflowStep stage) {
    if (stage == m_stage) return;
    m_stage = stage;
    build();
}

void PayrollForm::reload() {
    build();
}

QList<FormSection *> PayrollForm::sections() const {
    return m_page ? m_page->findChildren<FormSection *>(QString(), Qt::FindDirectChildrenOnly)
                  : QList<FormSection *>();
}

void PayrollForm::build() {
    m_employer = m_employee = nullptr;
    m_dates.clear();
    m_payment = m_paper = m_currency = nullptr;
    m_earnings = m_deductions = m_reimbursements = nullptr;
    m_notes = nullptr;

    m_page = new QWidget;
    m_column = new QVBoxLayout(m_page);
    m_column->setContentsMargins(20, 12, 20, 20);
    m_column->setSpacing(18);
    if (m_stage == WorkflowStep::basic)
        buildBasic();
    else
        buildAmounts();
    buildFooter();
    m_column->addStretch(1);
    delete m_scroll->takeWidget();
    m_scroll->setWidget(m_page);
    refreshAll();
    orderTabs();
}

void PayrollForm::buildBasic() {
    auto *section =
        new FormSection(QStringLiteral("员工与发薪信息"),
                        QStringLiteral("请使用正式名称。工资周期是这次工资对应的工作日期；付款日期"
                                       "是实际发薪日，可以与周期结束日不同。星号为必填项。"),
                        m_page);
    PayrollDraft *d = m_draft;
    m_employer = new LimitedField(
        QStringLiteral("雇主名称 *"),
        {[d] { return d->employer; }, [d](const QString &v) { d->employer = v; }}, 120, section);
    m_employee = new LimitedField(
        QStringLiteral("员工姓名 *"),
        {[d] { return d->employee; }, [d](const QString &v) { d->employee = v; }}, 100, section);
    section->content()->addWidget(m_employer);
    section->content()->addWidget(m_employee);
    connect(m_employer, &ValidatedField::edited, this, &PayrollForm::onEdited);
    connect(m_employee, &ValidatedField::edited, this, &PayrollForm::onEdited);

    const std::pair<const char16_t *, std::optional<QDate> PayrollDraft::*> dates[] = {
        {u"周期开始 *", &PayrollDraft::start},
        {u"周期结束 *", &PayrollDraft::end},
        {u"付款日期 *", &PayrollDraft::payday}};
    for (const auto &[title, binding] : dates) {
        const auto member = binding; // a lambda may not capture a structured binding in clang 14
        auto *field =
            new OptionalDateField(QString::fromUtf16(title),
                                  {[d, member] { return d->*member; },
                                   [d, member](const std::optional<QDate> &v) { d->*member = v; }},
                                  section);
        section->content()->addWidget(field);
        connect(field, &ValidatedField::edited, this, &PayrollForm::onEdited);
        m_dates.append(field);
    }

    m_payment = choice({{QStringLiteral("银行转账"), PaymentCode::fullDeposit},
                        {QStringLiteral("支票"), PaymentCode::cheque},
                        {QStringLiteral("现金"), PaymentCode::cash},
                        {QStringLiteral("其他"), PaymentCode::other}},
                       section);
    section->content()->addLayout(choiceRow(QStringLiteral("支付方式"), m_payment, section));
    connect(m_payment, &QComboBox::currentIndexChanged, this, [this, d] {
        if (m_syncing) return;
        d->payment = m_payment->currentData().toString();
        onEdited();
    });
    m_column->addWidget(section);
}

template <typename Row>
ItemListSection *PayrollForm::itemSection(QList<Row> PayrollDraft::*list, const QString &header,
                                          const QString &footer, const QString &addText,
                                          const QString &totalLabel) {
    PayrollDraft *d = m_draft;
    ItemListSection::Rows rows;
    rows.ids = [d, list] {
        QList<QUuid> ids;
        for (const Row &r : d->*list)
            ids.append(r.id);
        return ids;
    };
    rows.append = [d, list] { (d->*list).append(newRow<Row>()); };
    rows.remove = [d, list](QUuid id) {
        (d->*list).removeIf([id](const Row &r) { return r.id == id; });
    };
    rows.editor = [d, list](QUuid id, QWidget *parent) -> LineItemEditor * {
        return new typename EditorFor<Row>::type(rowBinding(d, list, id), id, parent);
    };
    auto *section = new ItemListSection(header, footer, addText, totalLabel, rows, m_page);
    connect(section, &ItemListSection::edited, this, &PayrollForm::onEdited);
    m_column->addWidget(section);
    return section;
}

void PayrollForm::buildAmounts() {
    m_earnings = itemSection(
        &PayrollDraft::earnings, QStringLiteral("收入明细"),
        QStringLiteral("按工时：工时 × 时薪自动计算。奖金等直接选固定金额。年度累计 YTD "
                       "请填写已包含本期的金额，不填则留空。"),
        QStringLiteral("添加收入项目"), QStringLiteral("收入合计"));
    m_deductions = itemSection(
        &PayrollDraft::deductions, QStringLiteral("扣款明细"),
        QStringLiteral(
            "输入已核算的所得税、CPP、EI 和其他扣款，本工具不自动算税。没有发生的扣款可留空。"),
        QStringLiteral("添加扣款项目"), QStringLiteral("扣款合计"));
    m_reimbursements =
        itemSection(&PayrollDraft::reimbursements, QStringLiteral("报销"),
                    QStringLiteral("报销会加到最终净支付金额中，没有报销可留空，不用填零。"),
                    QStringLiteral("添加报销项目"), QStringLiteral("报销合计"));

    auto *notes = new FormSection(QStringLiteral("附加备注 · 选填"), QString(), m_page);
    m_notes = new QPlainTextEdit(notes);
    m_notes->setMinimumHeight(90);
    m_notes->setTabChangesFocus(true);
    m_notes->setAccessibleName(QStringLiteral("附加备注 · 选填"));
    m_notes->setPlainText(m_draft->notes);
    notes->content()->addWidget(m_notes);
    connect(m_notes, &QPlainTextEdit::textChanged, this, [this] {
        if (m_syncing) return;
        m_draft->notes = typedText(m_notes);
        if (const auto cut = FieldRules::cutToLimit(m_draft->notes, FieldRules::notesLimit)) {
            m_draft->notes = *cut;
            // The caret stays where the typing was, after the last character kept.
            const int caret = std::min(m_notes->textCursor().position(), int(cut->size()));
            m_syncing = true;
            m_notes->setPlainText(*cut);
            QTextCursor cursor = m_notes->textCursor();
            cursor.setPosition(caret);
            m_notes->setTextCursor(cursor);
            m_syncing = false;
        }
        onEdited();
    });
    m_column->addWidget(notes);

    auto *display = new FormSection(QStringLiteral("显示设置"), QString(), m_page);
    m_paper = choice({{QStringLiteral("Letter"), false}, {QStringLiteral("A4"), true}}, display);
    m_currency = choice({{QStringLiteral("CAD $"), QStringLiteral("CAD")},
                         {QStringLiteral("USD $"), QStringLiteral("USD")}},
                        display);
    for (const auto &[text, box] : {std::pair{QStringLiteral("纸张"), m_paper},
                                    std::pair{QStringLiteral("货币"), m_currency}})
        display->content()->addLayout(choiceRow(text, box, display));
    display->content()->addWidget(
        secondaryLabel(QStringLiteral("币种仅改变金额标识，不自动换汇。"), display));
    connect(m_paper, &QComboBox::currentIndexChanged, this, [this] {
        if (m_syncing) return;
        m_draft->a4 = m_paper->currentData().toBool();
        onEdited();
    });
    connect(m_currency, &QComboBox::currentIndexChanged, this, [this] {
        if (m_syncing) return;
        m_draft->currency = m_currency->currentData().toString();
        onEdited();
    });
    m_column->addWidget(display);
}

void PayrollForm::buildFooter() {
    auto *section = new FormSection(QString(), QString(), m_page);
    auto *line = new QHBoxLayout;
    line->addWidget(symbolLabel("security-high", 14, section));
    line->addWidget(secondaryLabel(QStringLiteral("只在本机处理，不保存工资资料"), section));
    line->addStretch(1);
    section->content()->addLayout(line);
    section->content()->addWidget(
        secondaryLabel(QStringLiteral("Corvane ") + QLatin1String(corvaneVersion), section, -2.5));
    m_column->addWidget(section);
}

void PayrollForm::onEdited() {
    refreshAll();
    orderTabs();
    emit edited();
}

void PayrollForm::syncChoices() {
    m_syncing = true;
    if (m_payment) selectData(m_payment, m_draft->payment);
    if (m_paper) selectData(m_paper, m_draft->a4);
    if (m_currency) selectData(m_currency, m_draft->currency);
    if (m_notes && typedText(m_notes) != m_draft->notes) m_notes->setPlainText(m_draft->notes);
    m_syncing = false;
}

void PayrollForm::refreshAll() {
    syncChoices();
    for (LimitedField *f : {m_employer, m_employee})
        if (f) f->refresh();
    for (OptionalDateField *f : m_dates)
        f->refresh();
    if (!m_earnings) return;
    // One unreadable amount anywhere turns all three totals into "—".
    const std::optional<PayrollTotals> totals = m_draft->readableTotals();
    m_earnings->sync(totals ? std::optional<qint64>(totals->gross) : std::nullopt);
    m_deductions->sync(totals ? std::optional<qint64>(totals->deducted) : std::nullopt);
    m_reimbursements->sync(totals ? std::optional<qint64>(totals->reimbursed) : std::nullopt);
}

QList<QWidget *> PayrollForm::problemFields() const {
    QList<QWidget *> fields;
    for (QWidget *w : focusablesInLayoutOrder(m_column))
        for (QWidget *p = w->parentWidget(); p && p != m_page; p = p->parentWidget())
            if (auto *field = qobject_cast<ValidatedField *>(p)) {
                if (field->focusTarget() == w && field->issue()) fields.append(w);
                break;
            }
    return fields;
}

void PayrollForm::orderTabs() {
    chainTabs(focusablesInLayoutOrder(m_column));
}
