#pragma once

#include "payroll/payroll_draft.h"

#include <QWidget>

class QLabel;
class QPushButton;
class PasswordFields;
class QScrollArea;
class QVBoxLayout;

namespace platform {
class Desktop;
}

// The last step: whether the draft is ready, its key facts and amounts, the way back
// to editing or to the full PDF, and opening the PDF in another application.
class ReviewPanel : public QWidget {
    Q_OBJECT
public:
    explicit ReviewPanel(platform::Desktop *desktop, QWidget *parent = nullptr);

    // Shows `draft`; nothing is kept between drafts.
    void setDraft(const PayrollDraft &draft);

    bool ready() const { return m_ready; }
    QString readinessTitle() const;
    QString readinessDetail() const;
    QStringList details() const; // "title: value" per row
    QStringList amounts() const; // the shown amount texts: gross, deducted, reimbursed, net
    QString currency() const;
    QPushButton *editButton() const { return m_edit; }
    QPushButton *previewButton() const { return m_preview; }
    QPushButton *openWithButton() const { return m_openWith; }
    // Where keyboard focus lands on entering the step: the page itself, named for what
    // it holds and described by whether the statement is ready.
    QScrollArea *page() const { return m_page; }
    // Back to the top, where the readiness card is.
    void scrollToTop();
    // The password the PDFs leaving the window are protected with; empty for none.
    PasswordFields *protection() const { return m_protection; }

signals:
    // The user asks to go back to editing, or to see the whole PDF.
    void editRequested();
    void previewRequested();
    // The PDF of `draft` was opened in another application.
    void openedElsewhere(const PayrollDraft &draft);
    // It could not be: what failed and what to do.
    void openFailed(const QString &message);

private:
    void openWith();

    platform::Desktop *m_desktop;
    QScrollArea *m_page;
    PayrollDraft m_draft;
    bool m_ready = false;
    QLabel *m_readyIcon;
    QLabel *m_readyTitle;
    QLabel *m_readyDetail;
    QWidget *m_readyCard;
    QList<QPair<QLabel *, QLabel *>> m_details;
    QList<QLabel *> m_amounts;
    QLabel *m_currency;
    QWidget *m_moneyCard;
    QPushButton *m_edit;
    QPushButton *m_preview;
    QPushButton *m_openWith;
    PasswordFields *m_protection;
};
