#pragma once

#include <QTimer>
#include <QWidget>

class NativePDFPreview;
class PayrollModel;
class QLabel;
class QStackedWidget;

// The live preview: its title with the paper size, the PDF (or why there is none),
// and the net payment bar.
class PreviewPane : public QWidget {
    Q_OBJECT
public:
    PreviewPane(PayrollModel *model, QWidget *parent = nullptr);

    // Re-reads the model.
    void refresh();

    QString paperText() const;
    QString netText() const;
    QString currencyText() const;
    bool showsProblem() const;
    QString problemText() const;
    NativePDFPreview *pdfView() const { return m_pdf; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PayrollModel *m_model;
    QLabel *m_paper;
    QStackedWidget *m_stack;
    NativePDFPreview *m_pdf;
    QWidget *m_problem;
    QLabel *m_problemText;
    QLabel *m_net;
    QLabel *m_currency;
    QWidget *m_netBar;
    QTimer m_netSaid; // the net payment is said when typing pauses
};
