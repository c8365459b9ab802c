#include "window/preview_pane.h"

#include "app/announce.h"
#include "app/focus_ring_style.h"
#include "app/icons.h"
#include "app/payroll_model.h"
#include "app/rounded_panel.h"
#include "app/theme.h"
#include "app/ui_parts.h"
#include "review/native_pdf_preview.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

PreviewPane::PreviewPane(PayrollModel *model, QWidget *parent)
    : QWidget(parent), m_model(model), m_paper(new QLabel(this)), m_stack(new QStackedWidget(this)),
      m_pdf(new NativePDFPreview(this)), m_problem(new QWidget(this)),
      m_problemText(new QLabel(m_problem)), m_net(new QLabel(this)), m_currency(new QLabel(this)) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *top = new QHBoxLayout;
    top->setContentsMargins(16, 16, 16, 16);
    QLabel *icon = symbolLabel("text-x-generic", 16, this);
    auto *title = new QLabel(QStringLiteral("实时预览"), this);
    title->setFont(Theme::font(font(), 0, QFont::Medium));
    top->addWidget(icon);
    top->addWidget(title);
    top->addStretch(1);
    m_paper->setFont(Theme::font(font(), -1.5));
    Theme::tint(m_paper, Theme::secondary);
    top->addWidget(m_paper);
    column->addLayout(top);
    column->addWidget(divider(this));

    // What stands in for the PDF while the draft cannot be rendered.
    auto *problem = new QVBoxLayout(m_problem);
    problem->addStretch(1);
    QLabel *warning = symbolLabel("dialog-warning", 40, m_problem);
    warning->setAlignment(Qt::AlignCenter);
    auto *problemTitle = new QLabel(QStringLiteral("输入需要修正"), m_problem);
    problemTitle->setFont(Theme::font(font(), 4, QFont::Bold));
    problemTitle->setAlignment(Qt::AlignCenter);
    m_problemText->setAlignment(Qt::AlignCenter);
    m_problemText->setWordWrap(true);
    problem->addWidget(warning);
    problem->addWidget(problemTitle);
    problem->addWidget(m_problemText);
    problem->addStretch(1);
    m_stack->addWidget(m_pdf);
    m_stack->addWidget(m_problem);
    column->addWidget(m_stack, 1);

    auto *bar = new RoundedPanel([](const QPalette &) { return Theme::forest(); }, 0, this);
    m_netBar = bar;
    m_netSaid.setSingleShot(true);
    m_netSaid.setInterval(1200);
    connect(&m_netSaid, &QTimer::timeout, this,
            [this] { Announce::say(this, m_netBar->accessibleName()); });
    auto *netRow = new QHBoxLayout(bar);
    netRow->setContentsMargins(18, 18, 18, 18);
    auto *netLabel = new QLabel(QStringLiteral("本期净支付"), bar);
    m_net->setFont(Theme::font(font(), 6, QFont::Bold));
    m_currency->setFont(Theme::font(font(), -1.5));
    for (QLabel *l : {netLabel, m_net, m_currency}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        l->setPalette(pal);
    }
    m_net->setTextInteractionFlags(Qt::TextSelectableByMouse);
    netRow->addWidget(netLabel, 0, Qt::AlignBaseline);
    netRow->addStretch(1);
    netRow->addWidget(m_net, 0, Qt::AlignBaseline);
    netRow->addWidget(m_currency, 0, Qt::AlignBaseline);
    column->addWidget(bar);
    refresh();
}

void PreviewPane::paintEvent(QPaintEvent *) {
    QPainter(this).fillRect(rect(), Theme::withAlpha(Theme::secondary(palette()), 0.04));
}

void PreviewPane::refresh() {
    const PayrollDraft &draft = m_model->draft();
    m_paper->setText(draft.a4 ? QStringLiteral("A4") : QStringLiteral("Letter"));
    if (const auto problem = m_model->previewError()) {
        m_problemText->setText(*problem); // the PDF kept in the model is stale: not shown
        m_stack->setCurrentWidget(m_problem);
    } else {
        m_pdf->setData(m_model->pdf());
        m_stack->setCurrentWidget(m_pdf);
    }
    const QString net = m_model->net();
    m_currency->setText(draft.currency);
    readableStop(m_netBar, QStringLiteral("本期净支付 %1 %2").arg(net, draft.currency));
    if (net == m_net->text()) return;
    m_net->setText(net);
    // Said once typing pauses, without taking focus from the field being typed in.
    if (isVisible()) m_netSaid.start();
}

QString PreviewPane::paperText() const {
    return m_paper->text();
}
QString PreviewPane::netText() const {
    return m_net->text();
}
QString PreviewPane::currencyText() const {
    return m_currency->text();
}
bool PreviewPane::showsProblem() const {
    return m_stack->currentWidget() == m_problem;
}
QString PreviewPane::problemText() const {
    return m_problemText->text();
}
