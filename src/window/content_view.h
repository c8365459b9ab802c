#pragma once

#include "app/workflow_step.h"
#include "delivery/pdf_file.h"
#include "payroll/payroll_draft.h"
#include "platform/desktop.h"

#include <QMainWindow>

#include <functional>
#include <optional>

class PayrollForm;
class PayrollModel;
class PreviewPane;
class QAction;
class QDialog;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QToolButton;
class ReviewPanel;
class StepHeading;
class StepNavigation;
class RoundedPanel;

namespace platform {
class Desktop;
}

// `frame` made to fit in `available`: no larger, and moved inside it.
QRect fitWithin(QRect frame, const QRect &available);

// The application window: a header, the guided editor of the three steps on the left,
// the live preview on the right, and every action on the statement as a whole.
class ContentView : public QMainWindow {
    Q_OBJECT
public:
    ContentView(platform::Desktop *desktop, QWidget *parent = nullptr);
    ~ContentView() override;

    PayrollModel *model() const { return m_model; }
    WorkflowStep stage() const { return m_stage; }
    void setStage(WorkflowStep stage);
    std::optional<QString> inlineError() const { return m_inlineError; }
    bool exporting() const { return m_exporting; }

    // The footer's forward action.
    void advance();
    // The save action; true when the PDF was written.
    bool exportPDF();
    // Validates, renders and sends the statement to a printer the user picks.
    void printStatement();
    // Asks to replace the draft and does it when confirmed.
    void requestAction(DraftAction action);
    void performAction();
    // Places a window opened from `opener` a step below and to the right of it.
    void cascadeFrom(const QWidget *opener);

    // Parts, for tests.
    StepNavigation *stepNavigation() const { return m_steps; }
    PayrollForm *form() const { return m_form; }
    ReviewPanel *reviewPanel() const { return m_review; }
    PreviewPane *preview() const { return m_preview; }
    QPushButton *forwardButton() const { return m_forward; }
    QPushButton *backButton() const { return m_back; }
    QPushButton *saveButton() const { return m_save; }
    QList<QToolButton *> shareControls() const { return m_shareControls; }
    QMenu *shareMenu() const { return m_shareMenu; }
    QAction *exportAction() const { return m_exportAction; }
    QAction *printAction() const { return m_printAction; }
    // The short note shown after a save or a copy; empty once it has gone.
    QString note() const;
    QAction *draftAction(DraftAction action) const { return m_draftActions.value(int(action)); }
    QToolButton *moreButton() const { return m_more; }
    QLabel *inlineErrorLabel() const { return m_errorText; }
    QDialog *fullPreview() const { return m_fullPreview; }

signals:
    void newWindowRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    // Asks before a draft that never left the window is lost.
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *desktopHeader();
    QWidget *guidedEditor();
    QWidget *navigationFooter();
    void createActions();
    QToolButton *shareControl(bool prominent);
    void buildToolbar();
    void updateCommands();
    using Service = std::function<void(const QString &path, const platform::Answer &answer)>;
    // Writes the shared file and hands it to `service`.
    void share(const QString &failureTitle, const Service &service);
    platform::Answer outcomeHandler(const PayrollDraft &draft, const QString &failureTitle);
    PDFFile protectedCopy(const QByteArray &bytes) const;
    std::optional<QByteArray> renderForDelivery();
    bool passwordIsUsable();
    void showNote(const QString &text);
    void showPreviewSheet();
    void setInlineError(const std::optional<QString> &message);
    void showError(const QString &message);
    void onDraftChanged();
    void refreshPreviews();
    void updateStage();
    void orderTabs();
    void fitFrameToScreen();
    void updateTitle();

    platform::Desktop *m_desktop;
    PayrollModel *m_model;
    WorkflowStep m_stage = WorkflowStep::basic;
    bool m_exporting = false;
    std::optional<QString> m_inlineError;
    DraftAction m_pendingAction = DraftAction::clear;
    bool m_shown = false;
    bool m_frameKnown = false;
    int m_number; // in the order the windows were opened, from 1

    StepNavigation *m_steps = nullptr;
    StepHeading *m_heading = nullptr;
    QStackedWidget *m_content = nullptr;
    PayrollForm *m_form = nullptr;
    ReviewPanel *m_review = nullptr;
    RoundedPanel *m_errorBar = nullptr;
    QLabel *m_errorText = nullptr;
    QPushButton *m_back = nullptr;
    QPushButton *m_forward = nullptr;
    QPushButton *m_save = nullptr;
    QWidget *m_reviewButtons = nullptr;
    PreviewPane *m_preview = nullptr;
    PreviewPane *m_sheetPreview = nullptr;
    QDialog *m_fullPreview = nullptr;
    QToolButton *m_more = nullptr;
    // Each command once; toolbar, footer and menus show these.
    QAction *m_exportAction = nullptr;
    QAction *m_printAction = nullptr;
    QAction *m_newWindowAction = nullptr;
    QList<QAction *> m_draftActions; // by DraftAction
    QMenu *m_shareMenu = nullptr;
    QList<QToolButton *> m_shareControls;
};
