#pragma once

#include "payroll/payroll_draft.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <optional>

// The working state of one window: the draft being edited, the bytes of its last
// successful rendering and the message of the last failed one. Edits are rendered
// 220 ms after the last of a burst (a trailing debounce on the UI thread).
class PayrollModel : public QObject {
    Q_OBJECT
public:
    static constexpr int refreshDelayMs = 220;

    explicit PayrollModel(QObject *parent = nullptr);

    const PayrollDraft &draft() const { return m_draft; }
    // For editors bound to the draft in place; call draftEdited() after each change.
    PayrollDraft *editableDraft() { return &m_draft; }
    // Replaces the whole draft.
    void setDraft(const PayrollDraft &draft);
    // Publishes an in-place change. When the draft now differs from what was last
    // published, the pending refresh is cancelled and a new one scheduled.
    void draftEdited();

    QByteArray pdf() const { return m_pdf; }
    void setPdf(const QByteArray &pdf);
    std::optional<QString> previewError() const { return m_previewError; }

    // The net payment as display text, or "—" when the totals cannot be computed.
    QString net() const;

    // Marks the draft of `delivered` as the one that left the window (saved, shared,
    // printed or opened elsewhere).
    void markDelivered(const PayrollDraft &delivered) { m_delivered = delivered; }
    // True while the draft differs from the last one delivered, or from the one the
    // window started with when none was: closing then loses what was typed.
    bool undelivered() const { return !(m_draft == m_delivered); }

    // Renders the current draft now and stores the bytes or the message.
    void refresh();
    bool refreshPending() const { return m_timer.isActive(); }

signals:
    void draftChanged();  // every assignment or published edit
    void draftModified(); // the draft differs from the one published before
    void pdfChanged();
    void previewErrorChanged();

private:
    PayrollDraft m_draft;
    PayrollDraft m_published;
    PayrollDraft m_delivered;
    QByteArray m_pdf;
    std::optional<QString> m_previewError;
    QTimer m_timer;
};
