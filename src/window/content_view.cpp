#include "window/content_view.h"

#include "app/accessible_events.h"
#include "app/announce.h"
#include "app/field_errors.h"
#include "app/focus_ring_style.h"
#include "app/icons.h"
#include "app/payroll_model.h"
#include "app/rounded_panel.h"
#include "app/step_navigation.h"
#include "app/theme.h"
#include "app/ui_parts.h"
#include "delivery/file_error.h"
#include "delivery/pdf_file.h"
#include "delivery/pdf_pages.h"
#include "delivery/pdf_protection.h"
#include "delivery/pdf_share_payload.h"
#include "form/limited_field.h"
#include "form/payroll_form.h"
#include "payroll/money.h"
#include "platform/desktop.h"
#include "review/native_pdf_preview.h"
#include "review/password_fields.h"
#include "review/review_panel.h"
#include "statement_pdf/stub_pdf.h"
#include "window/command_keys.h"
#include "window/preview_pane.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPdfDocument>
#include <QPdfView>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

const QString alertTitle = QStringLiteral("请检查工资单");

// The message of whatever a save or share step threw.
template <typename F> std::optional<QString> failureOf(F f) {
    try {
        f();
    } catch (const PayrollError &e) {
        return e.errorDescription();
    } catch (const FileError &e) {
        return e.errorDescription();
    }
    return std::nullopt;
}

} // namespace

QRect fitWithin(QRect frame, const QRect &available) {
    frame.setSize(frame.size().boundedTo(available.size()));
    frame.moveLeft(
        std::clamp(frame.left(), available.left(), available.right() - frame.width() + 1));
    frame.moveTop(
        std::clamp(frame.top(), available.top(), available.bottom() - frame.height() + 1));
    return frame;
}

namespace {

// The window manager's frame, once a window has shown it; new windows start with it.
QMargins knownFrame;
int windowsOpened = 0;

} // namespace

ContentView::ContentView(platform::Desktop *desktop, QWidget *parent)
    : QMainWindow(parent), m_desktop(desktop), m_model(new PayrollModel(this)),
      m_number(++windowsOpened) {
    AccessibleEvents::install(); // before any widget is asked for its accessible interface
    // A small or highly scaled screen gets a window that still fits on it, title bar and
    // borders included.
    const QSize room = screen()->availableGeometry().size().shrunkBy(knownFrame);
    setMinimumSize(QSize(880, 640).boundedTo(room));
    resize(QSize(1200, 850).boundedTo(room));
    // The window's tint is the accent colour.
    Theme::follow(this, [this] {
        QPalette pal = palette();
        const QColor accent = Theme::accent().resolve(pal);
        if (pal.color(QPalette::Highlight) == accent) return;
        pal.setColor(QPalette::Highlight, accent);
        pal.setColor(QPalette::Link, accent);
        setPalette(pal);
    });

    createActions();
    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(desktopHeader());
    column->addWidget(divider(central));
    auto *split = new QSplitter(Qt::Horizontal, central);
    QWidget *editor = guidedEditor();
    // The panes' least widths give way together when the window has to be narrower.
    const qreal narrowing = qreal(minimumWidth()) / 880;
    editor->setMinimumWidth(qRound(390 * narrowing));
    editor->setMaximumWidth(570);
    m_preview = new PreviewPane(m_model, split);
    ringWhenFocused(m_preview->pdfView()->view());
    m_preview->setMinimumWidth(qRound(440 * narrowing) - split->handleWidth());
    split->addWidget(editor);
    split->addWidget(m_preview);
    split->setCollapsible(0, false);
    split->setCollapsible(1, false);
    split->setStretchFactor(1, 1);
    split->setSizes({490, 710});
    column->addWidget(split, 1);
    setCentralWidget(central);
    buildToolbar();
    // The bar only takes room while it shows a note.
    statusBar()->setSizeGripEnabled(false);
    statusBar()->hide();
    connect(statusBar(), &QStatusBar::messageChanged, statusBar(),
            [bar = statusBar()](const QString &text) { bar->setVisible(!text.isEmpty()); });

    connect(m_model, &PayrollModel::draftChanged, this, &ContentView::onDraftChanged);
    connect(m_model, &PayrollModel::draftModified, this, [this] { setInlineError(std::nullopt); });
    for (auto signal : {&PayrollModel::pdfChanged, &PayrollModel::previewErrorChanged})
        connect(m_model, signal, this, &ContentView::refreshPreviews);
    updateStage();
    onDraftChanged();
}

ContentView::~ContentView() = default;

QWidget *ContentView::desktopHeader() {
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(24, 18, 24, 18);
    auto *tile = new RoundedPanel([](const QPalette &) { return Theme::forest(); }, 10, header);
    tile->setFixedSize(43, 46);
    auto *tileLayout = new QVBoxLayout(tile);
    tileLayout->setContentsMargins(0, 0, 0, 0);
    auto *document = symbolLabel("corvane-document", 24, tile);
    document->setAlignment(Qt::AlignCenter);
    tileLayout->addWidget(document);
    row->addWidget(tile);
    row->addSpacing(12);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(3);
    auto *title = new QLabel(QStringLiteral("Corvane"), header);
    title->setFont(Theme::font(font(), 4, QFont::DemiBold));
    QLabel *line = secondaryLabel(QStringLiteral("填写、核对、交付。每一步都清楚。"), header);
    titles->addWidget(title);
    titles->addWidget(line);
    row->addLayout(titles);
    row->addStretch(1);

    auto *badge = new RoundedPanel(
        [](const QPalette &) { return Theme::withAlpha(Theme::forest(), 0.07); }, -1, header);
    auto *badgeRow = new QHBoxLayout(badge);
    badgeRow->setContentsMargins(13, 9, 13, 9);
    badgeRow->addWidget(symbolLabel("security-high", 14, badge));
    auto *badgeText = new QLabel(QStringLiteral("本地处理 · 无需账号"), badge);
    badgeText->setFont(Theme::font(font(), -1.5));
    Theme::tint(badgeText, [](const QPalette &pal) { return Theme::accent().resolve(pal); });
    badgeRow->addWidget(badgeText);
    row->addWidget(badge);
    return header;
}

QWidget *ContentView::guidedEditor() {
    auto *editor = new RoundedPanel(
        [](const QPalette &pal) {
            return Theme::withAlpha(pal.color(QPalette::WindowText), 0.015);
        },
        0, this);
    auto *column = new QVBoxLayout(editor);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_steps = new StepNavigation(editor);
    connect(m_steps, &StepNavigation::stageSelected, this, &ContentView::setStage);
    column->addWidget(m_steps);
    m_heading = new StepHeading(editor);
    column->addWidget(m_heading);

    m_content = new QStackedWidget(editor);
    m_form = new PayrollForm(m_model->editableDraft(), WorkflowStep::basic, m_content);
    connect(m_form, &PayrollForm::edited, m_model, &PayrollModel::draftEdited);
    m_review = new ReviewPanel(m_desktop, m_content);
    ringWhenFocused(m_review->page()); // where focus lands on entering the step
    connect(m_review, &ReviewPanel::editRequested, this,
            [this] { setStage(Workflow::editingStep(m_model->draft())); });
    connect(m_review, &ReviewPanel::previewRequested, this, &ContentView::showPreviewSheet);
    connect(m_review, &ReviewPanel::openedElsewhere, m_model, &PayrollModel::markDelivered);
    connect(m_review, &ReviewPanel::openFailed, this, [this](const QString &message) {
        m_desktop->alert(this, QStringLiteral("无法用其他应用打开"), message,
                         QStringLiteral("知道了"));
    });
    m_content->addWidget(m_form);
    m_content->addWidget(m_review);
    column->addWidget(m_content, 1);

    m_errorBar = new RoundedPanel(
        [](const QPalette &) { return Theme::withAlpha(Theme::orange(), 0.07); }, 0, editor);
    auto *errorRow = new QHBoxLayout(m_errorBar);
    errorRow->setContentsMargins(20, 12, 20, 12);
    errorRow->addWidget(symbolLabel("dialog-error", 14, m_errorBar), 0, Qt::AlignTop);
    m_errorText = new QLabel(m_errorBar);
    m_errorText->setWordWrap(true);
    m_errorText->setFont(Theme::font(font(), -1.5));
    Theme::tint(m_errorText, [](const QPalette &pal) { return Theme::warningInk().resolve(pal); });
    errorRow->addWidget(m_errorText, 1);
    m_errorBar->hide();
    column->addWidget(m_errorBar);
    column->addWidget(navigationFooter());
    return editor;
}

QWidget *ContentView::navigationFooter() {
    auto *footer =
        new RoundedPanel([](const QPalette &pal) { return pal.color(QPalette::Window); }, 0, this);
    auto *column = new QVBoxLayout(footer);
    column->setContentsMargins(20, 14, 20, 14);
    column->setSpacing(10);
    auto *row = new QHBoxLayout;
    row->setSpacing(12);
    m_back = new QPushButton(Icons::named("go-previous"), QString(), footer);
    connect(m_back, &QPushButton::clicked, this, [this] {
        if (const auto previous = Workflow::fromRawValue(Workflow::rawValue(m_stage) - 1))
            setStage(*previous);
    });
    row->addWidget(m_back);
    row->addStretch(1);
    m_forward = new QPushButton(Icons::named("go-next"), QString(), footer);
    m_forward->setLayoutDirection(Qt::RightToLeft); // the arrow after the text
    m_forward->setDefault(true);
    m_forward->setFont(Theme::font(font(), -0.5, QFont::DemiBold));
    connect(m_forward, &QPushButton::clicked, this, &ContentView::advance);
    row->addWidget(m_forward);

    m_reviewButtons = new QWidget(footer);
    auto *reviewRow = new QHBoxLayout(m_reviewButtons);
    reviewRow->setContentsMargins(0, 0, 0, 0);
    m_save =
        new QPushButton(Icons::named("document-save"), m_exportAction->text(), m_reviewButtons);
    m_save->setStyleSheet(QStringLiteral("QPushButton { padding-top: 4px; padding-bottom: 4px; }"));
    connect(m_save, &QPushButton::clicked, m_exportAction, &QAction::trigger);
    reviewRow->addWidget(m_save);
    reviewRow->addWidget(shareControl(true));
    row->addWidget(m_reviewButtons);
    column->addLayout(row);

    auto *note = new QHBoxLayout;
    note->addWidget(symbolLabel("object-locked", 12, footer));
    QLabel *noteText =
        secondaryLabel(QStringLiteral("退出前请保存或分享 PDF，工资资料不会保留"), footer, 0);
    QFont small = noteText->font();
    small.setPointSizeF(9); // the smallest text of the footer
    noteText->setFont(small);
    note->addWidget(noteText, 1);
    column->addLayout(note);
    return footer;
}

void ContentView::createActions() {
    m_exportAction = new QAction(Icons::named("document-save"), QStringLiteral("导出 PDF"), this);
    // Ctrl+S as well: what every desktop application saves with.
    m_exportAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_E), QKeySequence(Qt::CTRL | Qt::Key_S)});
    connect(m_exportAction, &QAction::triggered, this, &ContentView::exportPDF);
    m_printAction = new QAction(Icons::named("document-print"), QStringLiteral("打印…"), this);
    m_printAction->setShortcut(QKeySequence::Print);
    connect(m_printAction, &QAction::triggered, this, &ContentView::printStatement);
    m_newWindowAction = new QAction(QStringLiteral("新建窗口"), this);
    m_newWindowAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(m_newWindowAction, &QAction::triggered, this, &ContentView::newWindowRequested);
    for (QAction *a : {m_exportAction, m_printAction, m_newWindowAction}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    new CommandKeys(this, {m_exportAction, m_printAction, m_newWindowAction});

    for (DraftAction action :
         {DraftAction::sample, DraftAction::nextEmployee, DraftAction::clear}) {
        const Workflow::ActionTexts texts = Workflow::texts(action);
        auto *a = new QAction(Icons::named(texts.icon), texts.menuText, this);
        connect(a, &QAction::triggered, this, [this, action] { requestAction(action); });
        m_draftActions.append(a);
    }

    // One share menu, shown by the toolbar's share control and the footer's.
    m_shareMenu = new QMenu(this);
    m_shareMenu
        ->addAction(QStringLiteral("通过邮件发送"), this,
                    [this] {
                        share(QStringLiteral("无法通过邮件发送"),
                              [this](const QString &path, const platform::Answer &answer) {
                                  m_desktop->mail(this, path, answer);
                              });
                    })
        ->setObjectName(QStringLiteral("shareByMail"));
    m_shareMenu
        ->addAction(QStringLiteral("复制文件"), this,
                    [this] {
                        share(QString(),
                              [this](const QString &path, const platform::Answer &answer) {
                                  m_desktop->copyFile(path);
                                  answer({platform::Outcome::done,
                                          QStringLiteral("已复制，可粘贴到文件管理器或聊天窗口")});
                              });
                    })
        ->setObjectName(QStringLiteral("shareAsCopy"));
    m_shareMenu
        ->addAction(QStringLiteral("在文件夹中显示"), this,
                    [this] {
                        share(QStringLiteral("无法在文件夹中显示"),
                              [this](const QString &path, const platform::Answer &answer) {
                                  m_desktop->showInFolder(this, path, answer);
                              });
                    })
        ->setObjectName(QStringLiteral("shareInFolder"));
}

QToolButton *ContentView::shareControl(bool prominent) {
    auto *button = new QToolButton(this);
    button->setText(QStringLiteral("分享 PDF"));
    button->setIcon(Icons::named("document-send"));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setFont(Theme::font(font(), -0.5, QFont::DemiBold));
    button->setToolTip(QStringLiteral("分享真正的 PDF 附件；由你在系统面板选择应用及收件人。"));
    button->setAutoRaise(!prominent);
    button->setMenu(m_shareMenu);
    m_shareControls.append(button);
    return button;
}

void ContentView::buildToolbar() {
    auto *bar = addToolBar(QStringLiteral("工具栏"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setVisible(false);
    auto *spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);

    m_more = new QToolButton(bar);
    m_more->setText(QStringLiteral("更多"));
    m_more->setIcon(Icons::named("view-more"));
    m_more->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_more->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(m_more);
    menu->addActions(m_draftActions);
    m_more->setMenu(menu);
    bar->addWidget(m_more);
    bar->addWidget(shareControl(false));
    bar->addAction(m_exportAction);
    bar->addAction(m_printAction);
    for (QAction *action : {m_exportAction, m_printAction})
        if (auto *b = qobject_cast<QToolButton *>(bar->widgetForAction(action)))
            b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // A toolbar leaves its buttons out of the Tab chain; these are the window's commands.
    for (QToolButton *b : bar->findChildren<QToolButton *>())
        b->setFocusPolicy(Qt::TabFocus);
}

// What may be done with the statement as it stands: sharing and printing need a valid
// draft (saving checks it itself and says what is missing).
void ContentView::updateCommands() {
    const bool valid = !m_model->draft().problem();
    for (QToolButton *share : m_shareControls)
        share->setEnabled(valid);
    for (QAction *a : m_shareMenu->actions())
        a->setEnabled(valid);
    m_printAction->setEnabled(valid);
}

void ContentView::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    fitFrameToScreen();
    if (LimitedField *first = m_form->employerField())
        first->input()->setFocus(); // start typing at once
    m_model->refresh();             // the first rendering happens at once
}

// The window manager adds its frame once the window is shown, and then moves the window;
// that is when the frame is known.
void ContentView::moveEvent(QMoveEvent *event) {
    QMainWindow::moveEvent(event);
    if (!m_frameKnown && m_shown) fitFrameToScreen();
}

void ContentView::fitFrameToScreen() {
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) return;
    m_frameKnown = true;
    knownFrame = frame;
    const QRect available = screen()->availableGeometry();
    const QRect fitted = fitWithin(QRect(pos(), size().grownBy(frame)), available);
    setMinimumSize(minimumSize().boundedTo(available.size().shrunkBy(frame)));
    resize(fitted.size().shrunkBy(frame));
    move(fitted.topLeft()); // a window's position is its frame's
}

void ContentView::cascadeFrom(const QWidget *opener) {
    const QRect available = opener->screen()->availableGeometry();
    const QRect frame(opener->pos() + QPoint(32, 32), size().grownBy(knownFrame));
    QRect placed = fitWithin(frame, available);
    if (placed.topLeft() == opener->pos()) placed.moveTopLeft(available.topLeft());
    move(placed.topLeft());
}

// Whose statement each window holds, so that windows can be told apart.
void ContentView::updateTitle() {
    const QString employee = m_model->draft().employee.trimmed();
    if (!employee.isEmpty())
        setWindowTitle(employee + QStringLiteral(" — Corvane"));
    else if (m_number > 1)
        setWindowTitle(QStringLiteral("新工资单 %1 — Corvane").arg(m_number));
    else
        setWindowTitle(QStringLiteral("Corvane"));
}

void ContentView::setStage(WorkflowStep stage) {
    m_steps->setStage(stage);
    if (stage == m_stage) return;
    m_stage = stage;
    setInlineError(std::nullopt);
    updateStage();
    // The heading changes where the eye looks; a screen reader is told.
    Announce::say(this, Workflow::arrivalMessage(stage));
}

void ContentView::updateStage() {
    // Focus in the part that is about to be replaced or hidden moves to the new step.
    QWidget *focused = QApplication::focusWidget();
    const bool focusMoves = focused && (m_content->isAncestorOf(focused) || focused == m_forward);
    m_steps->setStage(m_stage);
    m_heading->setStage(m_stage);
    if (m_stage == WorkflowStep::review) {
        m_review->setDraft(m_model->draft());
        m_content->setCurrentWidget(m_review);
    } else {
        m_form->setStage(m_stage);
        m_content->setCurrentWidget(m_form);
    }
    m_back->setVisible(m_stage != WorkflowStep::basic);
    m_back->setText(m_stage == WorkflowStep::review ? QStringLiteral("返回修改")
                                                    : QStringLiteral("上一步"));
    m_forward->setVisible(m_stage != WorkflowStep::review);
    m_forward->setText(m_stage == WorkflowStep::basic ? QStringLiteral("下一步：填写金额")
                                                      : QStringLiteral("下一步：核对工资单"));
    m_reviewButtons->setVisible(m_stage == WorkflowStep::review);
    if (m_stage == WorkflowStep::review) {
        m_review->scrollToTop(); // the readiness card first
        if (focusMoves) m_review->page()->setFocus(Qt::OtherFocusReason);
    }
    orderTabs();
}

// One Tab order on every step, as the window reads: the toolbar's commands, the steps,
// the step's content, the footer, the preview. A form rebuilt for a step would otherwise
// come after everything that existed before it.
void ContentView::orderTabs() {
    QList<QWidget *> chain;
    for (QToolBar *bar : findChildren<QToolBar *>())
        for (QAction *action : bar->actions())
            if (QWidget *w = bar->widgetForAction(action); w && w->focusPolicy() & Qt::TabFocus)
                chain.append(w);
    chain += focusablesInLayoutOrder(centralWidget()->layout());
    chainTabs(chain);
}

void ContentView::setInlineError(const std::optional<QString> &message) {
    m_inlineError = message;
    m_errorText->setText(message.value_or(QString()));
    m_errorBar->setVisible(message.has_value());
    FieldErrors::setShown(m_form, message.has_value());
}

void ContentView::showError(const QString &message) {
    m_desktop->alert(this, alertTitle, message, QStringLiteral("知道了"));
}

void ContentView::onDraftChanged() {
    updateCommands();
    updateTitle();
    refreshPreviews();
    if (m_stage == WorkflowStep::review) m_review->setDraft(m_model->draft());
}

void ContentView::refreshPreviews() {
    m_preview->refresh();
    if (m_sheetPreview) m_sheetPreview->refresh();
}

void ContentView::advance() {
    const auto problem = Workflow::blockingProblem(m_stage, m_model->draft());
    if (!problem) {
        if (const auto next = Workflow::fromRawValue(Workflow::rawValue(m_stage) + 1))
            setStage(*next);
        return;
    }
    setInlineError(*problem);
    // The first field with a problem takes focus; then the step's failure is said, which
    // names that field's problem too, so nothing is lost if it cuts the field's name short.
    const QList<QWidget *> fields = m_form->problemFields();
    if (!fields.isEmpty()) fields.first()->setFocus(Qt::OtherFocusReason);
    Announce::say(this,
                  Workflow::failedStepMessage(std::max<qsizetype>(fields.size(), 1), *problem));
}

// Validates and renders the current draft for saving or printing; shows the alert and
// gives nothing when either fails.
std::optional<QByteArray> ContentView::renderForDelivery() {
    const PayrollDraft draft = m_model->draft();
    QByteArray bytes;
    if (const auto failure = failureOf([&] {
            draft.validate();
            bytes = StubPDF::make(draft);
        })) {
        showError(*failure);
        return std::nullopt;
    }
    m_model->setPdf(bytes);
    return bytes;
}

bool ContentView::exportPDF() {
    if (m_exporting) return false;
    const PayrollDraft draft = m_model->draft();
    if (!passwordIsUsable()) return false;
    const auto bytes = renderForDelivery();
    if (!bytes) return false;
    PDFFile document;
    if (const auto failure = failureOf([&] { document = protectedCopy(*bytes); })) {
        showError(*failure);
        return false;
    }
    m_exporting = true;
    const QString path = m_desktop->askSavePath(this, draft.filename() + QStringLiteral(".pdf"));
    m_exporting = false;
    if (path.isEmpty()) return false; // cancelled: no failure
    if (const auto failure = failureOf([&] { document.write(path); })) {
        showError(*failure);
        return false;
    }
    m_model->markDelivered(draft);
    showNote(QStringLiteral("已保存到 %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void ContentView::closeEvent(QCloseEvent *event) {
    if (!m_model->undelivered()) return QMainWindow::closeEvent(event);
    enum { cancel, discard, save };
    const int answer =
        m_desktop->choose(this, QStringLiteral("关闭前导出工资单？"),
                          QStringLiteral("此工资单尚未导出，关闭窗口后填写的内容将丢失。"),
                          {{QStringLiteral("取消"), platform::Choice::cancel},
                           {QStringLiteral("放弃并关闭"), platform::Choice::destructive},
                           {QStringLiteral("导出 PDF…"), platform::Choice::accept}});
    if (answer == discard || (answer == save && exportPDF()))
        QMainWindow::closeEvent(event);
    else
        event->ignore();
}

void ContentView::printStatement() {
    const PayrollDraft draft = m_model->draft();
    if (!passwordIsUsable()) return;
    const auto bytes = renderForDelivery();
    if (!bytes) return;
    QBuffer buffer;
    buffer.setData(*bytes);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    const auto job = m_desktop->askPrintJob(this, document.pageCount());
    if (!job) return; // cancelled: nothing to say
    if (job->outputFile.isEmpty()) {
        m_desktop->print(this, *job, *bytes, draft.filename(),
                         outcomeHandler(draft, QStringLiteral("无法打印")));
        return;
    }
    // Printing into a file is saving: the same bytes, protected as a save protects them,
    // with only the pages chosen.
    if (const auto failure = failureOf([&] {
            protectedCopy(PdfPages::select(*bytes, job->pageRanges)).write(job->outputFile);
        })) {
        showError(*failure);
        return;
    }
    m_model->markDelivered(draft);
    showNote(QStringLiteral("已保存到 %1").arg(QDir::toNativeSeparators(job->outputFile)));
}

// What the platform's answer about a delivery of `draft` means to the window: done
// counts as delivered (with the service's note, if any); a cancel changes nothing and
// says nothing; a failure is said under `failureTitle`.
platform::Answer ContentView::outcomeHandler(const PayrollDraft &draft,
                                             const QString &failureTitle) {
    return [this, draft, failureTitle](const platform::Outcome &outcome) {
        switch (outcome.kind) {
        case platform::Outcome::done:
            m_model->markDelivered(draft);
            if (!outcome.message.isEmpty()) showNote(outcome.message);
            break;
        case platform::Outcome::cancelled:
            break;
        case platform::Outcome::failed:
            m_desktop->alert(this, failureTitle, outcome.message, QStringLiteral("知道了"));
            break;
        }
    };
}

// The document a save writes: the rendering, encrypted while a password is set.
// Throws PayrollError.
PDFFile ContentView::protectedCopy(const QByteArray &bytes) const {
    const QString password = m_review->protection()->password();
    return {password.isEmpty() ? bytes : PdfProtection::encrypt(bytes, password)};
}

// A password with a problem stops a save or share: the alert says which, and the fields
// show it.
bool ContentView::passwordIsUsable() {
    const auto problem = m_review->protection()->problem();
    if (!problem) return true;
    m_review->protection()->showProblems();
    showError(*problem);
    return false;
}

void ContentView::share(const QString &failureTitle, const Service &service) {
    const PayrollDraft draft = m_model->draft();
    if (!passwordIsUsable()) return;
    const QString password = m_review->protection()->password();
    QString path;
    if (const auto failure =
            failureOf([&] { path = PDFSharePayload::prepareFile(draft, password); }))
        return showError(*failure);
    service(path, outcomeHandler(draft, failureTitle));
}

QString ContentView::note() const {
    return statusBar()->currentMessage();
}

// A short note that goes by itself and never asks for a click.
void ContentView::showNote(const QString &text) {
    statusBar()->showMessage(text, 8000);
    Announce::say(this, text);
}

void ContentView::requestAction(DraftAction action) {
    m_pendingAction = action;
    const Workflow::ActionTexts texts = Workflow::texts(action);
    if (m_desktop->confirm(this, QStringLiteral("替换当前填写内容？"), texts.message,
                           texts.confirmText, texts.destructive))
        performAction();
}

void ContentView::performAction() {
    m_model->setDraft(replacement(m_pendingAction, m_model->draft()));
    m_review->protection()->clear(); // a new statement, without the last one's password
    // A form showing another step is rebuilt for `basic` by setStage(); only one already
    // on `basic` needs rebuilding for the new draft.
    if (m_form->stage() == WorkflowStep::basic) m_form->reload();
    setStage(WorkflowStep::basic);
    setInlineError(std::nullopt);
    orderTabs();
    // A new statement starts where the first one did.
    m_form->employerField()->input()->setFocus(Qt::OtherFocusReason);
}

void ContentView::showPreviewSheet() {
    if (!m_fullPreview) {
        m_fullPreview = new QDialog(this);
        m_fullPreview->setWindowTitle(QStringLiteral("工资单预览"));
        m_fullPreview->setWindowModality(Qt::WindowModal);
        m_fullPreview->resize(size() * 0.9);
        auto *column = new QVBoxLayout(m_fullPreview);
        column->setContentsMargins(0, 0, 0, 12);
        m_sheetPreview = new PreviewPane(m_model, m_fullPreview);
        column->addWidget(m_sheetPreview, 1);
        auto *buttons = new QDialogButtonBox(m_fullPreview);
        buttons->addButton(QStringLiteral("返回填写"), QDialogButtonBox::AcceptRole)
            ->setObjectName(QStringLiteral("backToEditing"));
        connect(buttons, &QDialogButtonBox::accepted, m_fullPreview, &QDialog::accept);
        auto *row = new QHBoxLayout;
        row->setContentsMargins(12, 0, 12, 0);
        row->addWidget(buttons);
        column->addLayout(row);
    }
    m_sheetPreview->refresh();
    m_fullPreview->open();
}
