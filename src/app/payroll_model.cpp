#include "app/payroll_model.h"

#include "payroll/money.h"
#include "statement_pdf/stub_pdf.h"

PayrollModel::PayrollModel(QObject *parent)
    : QObject(parent), m_published(m_draft), m_delivered(m_draft) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(refreshDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &PayrollModel::refresh);
}

void PayrollModel::setDraft(const PayrollDraft &draft) {
    m_draft = draft;
    draftEdited();
}

void PayrollModel::draftEdited() {
    emit draftChanged();
    if (m_draft == m_published) return;
    m_published = m_draft;
    emit draftModified();
    m_timer.start(); // restarting cancels the pending refresh
}

void PayrollModel::setPdf(const QByteArray &pdf) {
    m_pdf = pdf;
    emit pdfChanged();
}

QString PayrollModel::net() const {
    const auto totals = m_draft.readableTotals();
    return totals ? Money::string(totals->net()) : QStringLiteral("—");
}

void PayrollModel::refresh() {
    m_timer.stop();
    try {
        const QByteArray bytes = StubPDF::make(m_draft);
        setPdf(bytes);
        m_previewError.reset();
    } catch (const PayrollError &e) {
        m_previewError = e.errorDescription();
    } catch (const std::exception &e) {
        m_previewError = QString::fromUtf8(e.what());
    }
    emit previewErrorChanged();
}
