#include "review/review_panel.h"

#include "app/focus_ring_style.h"
#include "app/icons.h"
#include "app/rounded_panel.h"
#include "app/theme.h"
#include "app/ui_parts.h"
#include "delivery/file_error.h"
#include "delivery/pdf_share_payload.h"
#include "payroll/money.h"
#include "platform/desktop.h"
#include "review/password_fields.h"
#include "statement_pdf/stub_pdf.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// What the statement will show as empty boxes, and which fonts would draw it.
QString missingFontsNotice(const QStringList &missing) {
    if (missing.isEmpty()) return QString();
    QStringList packages;
    for (const QString &c : missing) {
        const char32_t code = c.toUcs4().value(0);
        const QChar::Script script = QChar::script(code);
        const char *package = script == QChar::Script_Han || script == QChar::Script_Hiragana ||
                                      script == QChar::Script_Katakana ||
                                      script == QChar::Script_Hangul
                                  ? "fonts-noto-cjk"
                              : code >= 0x1F000 ? "fonts-noto-color-emoji"
                                                : "fonts-noto-core";
        if (!packages.contains(QLatin1String(package))) packages.append(QLatin1String(package));
    }
    return QStringLiteral("PDF 中以下字符没有可用字体，将显示为方框：%1。请安装相应字体（如 %2）。")
        .arg(missing.join(u' '), packages.join(QStringLiteral("、")));
}

} // namespace

ReviewPanel::ReviewPanel(platform::Desktop *desktop, QWidget *parent)
    : QWidget(parent), m_desktop(desktop), m_page(new QScrollArea(this)) {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    QScrollArea *scroll = m_page;
    scroll->setAccessibleName(QStringLiteral("核对工资单"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    outer->addWidget(scroll);
    auto *page = new QWidget;
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(20);
    scroll->setWidget(page);

    // 1. Readiness.
    m_readyCard = new RoundedPanel(
        [this](const QPalette &) {
            return Theme::withAlpha(m_ready ? Theme::forest() : Theme::orange(), 0.07);
        },
        10, page);
    auto *readyRow = new QHBoxLayout(m_readyCard);
    readyRow->setContentsMargins(15, 15, 15, 15);
    readyRow->setSpacing(12);
    m_readyIcon = new QLabel(m_readyCard);
    readyRow->addWidget(m_readyIcon, 0, Qt::AlignTop);
    auto *readyText = new QVBoxLayout;
    readyText->setSpacing(5);
    m_readyTitle = new QLabel(m_readyCard);
    m_readyTitle->setFont(Theme::font(font(), 0, QFont::DemiBold));
    m_readyDetail = secondaryLabel(QString(), m_readyCard);
    m_readyDetail->setWordWrap(true);
    readyText->addWidget(m_readyTitle);
    readyText->addWidget(m_readyDetail);
    readyRow->addLayout(readyText, 1);
    column->addWidget(m_readyCard);

    // 2. Details.
    auto *details = new RoundedPanel(
        [](const QPalette &pal) { return Theme::withAlpha(Theme::secondary(pal), 0.045); }, 10,
        page);
    auto *detailColumn = new QVBoxLayout(details);
    detailColumn->setContentsMargins(15, 0, 15, 0);
    detailColumn->setSpacing(0);
    const QStringList titles = {QStringLiteral("雇主"), QStringLiteral("员工"),
                                QStringLiteral("工资周期"), QStringLiteral("付款日期"),
                                QStringLiteral("支付方式")};
    for (int i = 0; i < titles.size(); ++i) {
        if (i > 0) detailColumn->addWidget(divider(details));
        auto *row = new QHBoxLayout;
        row->setContentsMargins(0, 12, 0, 12);
        row->setSpacing(16);
        QLabel *title = secondaryLabel(titles[i], details);
        auto *value = new QLabel(details);
        value->setFont(Theme::font(font(), -1.5));
        value->setWordWrap(true);
        value->setAlignment(Qt::AlignRight | Qt::AlignTop);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        row->addWidget(title, 0, Qt::AlignTop);
        row->addSpacing(5);
        row->addWidget(value, 1);
        detailColumn->addLayout(row);
        m_details.append(qMakePair(title, value));
    }
    column->addWidget(details);

    // 3. Money.
    m_moneyCard = new RoundedPanel(
        [](const QPalette &) { return Theme::withAlpha(Theme::forest(), 0.06); }, 10, page);
    auto *money = new QVBoxLayout(m_moneyCard);
    money->setContentsMargins(18, 18, 18, 18);
    money->setSpacing(14);
    for (const QString &title :
         {QStringLiteral("本期收入"), QStringLiteral("扣款合计"), QStringLiteral("报销合计")}) {
        auto *row = new QHBoxLayout;
        QLabel *label = secondaryLabel(title, m_moneyCard, 0);
        auto *value = new QLabel(m_moneyCard);
        row->addWidget(label);
        row->addStretch(1);
        row->addWidget(value);
        money->addLayout(row);
        m_amounts.append(value);
    }
    money->addWidget(divider(m_moneyCard));
    auto *netRow = new QHBoxLayout;
    auto *netLabel = new QLabel(QStringLiteral("最终净支付"), m_moneyCard);
    auto *net = new QLabel(m_moneyCard);
    net->setFont(Theme::font(font(), 6, QFont::Bold));
    m_currency = new QLabel(m_moneyCard);
    m_currency->setFont(Theme::font(font(), -1.5));
    for (QLabel *l : {netLabel, net, m_currency})
        Theme::tint(l, [](const QPalette &pal) { return Theme::accent().resolve(pal); });
    netRow->addWidget(netLabel, 0, Qt::AlignBaseline);
    netRow->addStretch(1);
    netRow->addWidget(net, 0, Qt::AlignBaseline);
    netRow->addWidget(m_currency, 0, Qt::AlignBaseline);
    money->addLayout(netRow);
    m_amounts.append(net);
    column->addWidget(m_moneyCard);

    // 4–7. Ways out and reminders.
    auto *buttons = new QHBoxLayout;
    m_edit = new QPushButton(QStringLiteral("返回修改"), page);
    m_preview = new QPushButton(Icons::named("document-print-preview"),
                                QStringLiteral("查看完整 PDF"), page);
    buttons->addWidget(m_edit);
    buttons->addStretch(1);
    buttons->addWidget(m_preview);
    column->addLayout(buttons);
    connect(m_edit, &QPushButton::clicked, this, &ReviewPanel::editRequested);
    connect(m_preview, &QPushButton::clicked, this, &ReviewPanel::previewRequested);

    QLabel *keep =
        secondaryLabel(QStringLiteral("返回修改会保留本次填写内容。退出 App 前请保存 PDF。"), page);
    keep->setWordWrap(true);
    column->addWidget(keep);

    m_openWith =
        new QPushButton(Icons::named("document-open"), QStringLiteral("用其他应用打开 PDF…"), page);
    column->addWidget(m_openWith, 0, Qt::AlignLeft);
    connect(m_openWith, &QPushButton::clicked, this, &ReviewPanel::openWith);

    auto *reminder = new QVBoxLayout;
    reminder->setSpacing(8);
    auto *reminderTitle = new QHBoxLayout;
    QLabel *info = symbolLabel("dialog-information", 14, page);
    auto *reminderLabel = new QLabel(QStringLiteral("交付前提醒"), page);
    reminderLabel->setFont(Theme::font(font(), -1.5, QFont::DemiBold));
    reminderTitle->addWidget(info);
    reminderTitle->addWidget(reminderLabel);
    reminderTitle->addStretch(1);
    reminder->addLayout(reminderTitle);
    QLabel *reminderText =
        secondaryLabel(QStringLiteral("税款为手动录入；YTD 已包含本期；报销已计入净支付。PDF "
                                      "导出后由你保存，App 不保留工资历史。"),
                       page);
    reminderText->setWordWrap(true);
    reminder->addWidget(reminderText);
    column->addLayout(reminder);

    m_protection = new PasswordFields(page);
    column->addWidget(m_protection);
    connect(m_protection, &PasswordFields::changed, this, [this] { setDraft(m_draft); });
    column->addStretch(1);

    setDraft(m_draft);
}

void ReviewPanel::setDraft(const PayrollDraft &draft) {
    m_draft = draft;
    // A password the export would refuse is as much a problem as a missing name.
    std::optional<QString> problem = draft.problem();
    if (!problem) problem = m_protection->problem();
    m_ready = !problem;
    m_readyIcon->setPixmap(Icons::named(m_ready ? "emblem-ok" : "dialog-error").pixmap(22, 22));
    m_readyTitle->setText(m_ready ? QStringLiteral("信息已齐全，可以导出")
                                  : QStringLiteral("还有内容需要检查"));
    QString detail = problem ? *problem
                     : m_protection->password().isEmpty()
                         ? QStringLiteral("请再核对姓名、日期与净支付金额。")
                         : QStringLiteral("导出的 PDF 将以密码保护。");
    // A notice, not a problem: the statement can still be exported.
    if (const QString notice = missingFontsNotice(StubPDF::missingCharacters(draft));
        !notice.isEmpty())
        detail += u'\n' + notice;
    m_readyDetail->setText(detail);
    m_page->setAccessibleDescription(m_readyTitle->text() + QStringLiteral("：") +
                                     m_readyDetail->text());
    m_readyCard->update();

    const QStringList values = {draft.employer, draft.employee,
                                draft.periodLabel(QStringLiteral(" — ")),
                                PayrollDraft::dateLabel(draft.payday), draft.payment};
    for (int i = 0; i < values.size(); ++i)
        m_details[i].second->setText(values[i].isEmpty() ? QStringLiteral("未填写") : values[i]);

    const std::optional<PayrollTotals> totals = draft.readableTotals();
    const auto show = [&](qint64 PayrollTotals::*field) {
        return totals ? Money::string((*totals).*field) : QStringLiteral("—");
    };
    m_amounts[0]->setText(show(&PayrollTotals::gross));
    m_amounts[1]->setText(show(&PayrollTotals::deducted));
    m_amounts[2]->setText(show(&PayrollTotals::reimbursed));
    m_amounts[3]->setText(totals ? Money::string(totals->net()) : QStringLiteral("—"));
    m_currency->setText(draft.currency);
    readableStop(m_amounts[3],
                 QStringLiteral("最终净支付 %1 %2").arg(m_amounts[3]->text(), draft.currency));
    m_openWith->setEnabled(m_ready);
}

void ReviewPanel::scrollToTop() {
    m_page->verticalScrollBar()->setValue(0);
}

QString ReviewPanel::readinessTitle() const {
    return m_readyTitle->text();
}
QString ReviewPanel::readinessDetail() const {
    return m_readyDetail->text();
}
QString ReviewPanel::currency() const {
    return m_currency->text();
}

QStringList ReviewPanel::details() const {
    QStringList rows;
    for (const auto &[title, value] : m_details)
        rows.append(title->text() + QStringLiteral(": ") + value->text());
    return rows;
}

QStringList ReviewPanel::amounts() const {
    QStringList texts;
    for (const QLabel *l : m_amounts)
        texts.append(l->text());
    return texts;
}

// Prepares the file first; then the desktop lets the user pick an application. Only an
// application that was started counts: a cancelled choice changes nothing.
void ReviewPanel::openWith() {
    // A password with a problem would leave the file unprotected: nothing leaves.
    if (m_protection->problem()) {
        m_protection->showProblems();
        return;
    }
    const PayrollDraft draft = m_draft;
    QString path;
    try {
        path = PDFSharePayload::prepareFile(draft, m_protection->password());
    } catch (const PayrollError &e) {
        return emit openFailed(e.errorDescription());
    } catch (const FileError &e) {
        return emit openFailed(e.errorDescription());
    }
    m_desktop->openWith(this, path, [this, draft](const platform::Outcome &outcome) {
        if (outcome.kind == platform::Outcome::done)
            emit openedElsewhere(draft);
        else if (outcome.kind == platform::Outcome::failed)
            emit openFailed(outcome.message);
    });
}
