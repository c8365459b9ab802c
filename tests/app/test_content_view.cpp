#include "app/accessible_events.h"
#include "app/announce.h"
#include "app/focus_ring_style.h"
#include "app/line_edit_accessible.h"
#include "app/payroll_model.h"
#include "app/step_navigation.h"
#include "app/theme.h"
#include "app/workflow_step.h"
#include "dates.h"
#include "delivery/pdf_share_payload.h"
#include "files.h"
#include "form/amount_field.h"
#include "form/item_list_section.h"
#include "form/limited_field.h"
#include "form/line_item_editors.h"
#include "form/optional_date_field.h"
#include "form/payroll_form.h"
#include "pdf_text.h"
#include "recording_desktop.h"
#include "review/native_pdf_preview.h"
#include "review/password_fields.h"
#include "review/review_panel.h"
#include "statement_drafts.h"
#include "window/content_view.h"
#include "window/preview_pane.h"

#include <QtPdf>
#include <QtPdfWidgets>
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

struct Window {
    RecordingDesktop desktop;
    ContentView view{&desktop};
    explicit Window(bool sample = false) {
        view.show();
        QApplication::setActiveWindow(&view);
        if (!QTest::qWaitForWindowActive(&view)) qWarning("window not active");
        if (sample) loadSample();
    }
    PayrollModel *model() { return view.model(); }
    void loadSample() {
        desktop.confirmAnswer = true;
        view.requestAction(DraftAction::sample);
    }
    QAction *action(const char *name) { return view.findChild<QAction *>(QLatin1String(name)); }
};

bool waitForRendering(PayrollModel *model) {
    QSignalSpy rendered(model, &PayrollModel::previewErrorChanged);
    return rendered.wait(2000);
}

// A press and, a human moment later, a release at the same point of the window, aimed
// once the layout has settled, as a person does.
void pressAndRelease(QWidget *target) {
    QWidget *window = target->window();
    QPoint at;
    for (int i = 0; i < 100; ++i) {
        QTest::qWait(10);
        const QPoint now = target->mapTo(window, target->rect().center());
        if (now == at) break;
        at = now;
    }
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, at);
    QTest::qWait(50);
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, at);
}

// Every element a keyboard user can reach that a screen reader would have no name for.
void unnamed(QAccessibleInterface *iface, QStringList &found) {
    if (!iface || iface->state().invisible) return;
    if (iface->state().focusable && iface->text(QAccessible::Name).trimmed().isEmpty())
        found.append(QString::fromLatin1(iface->object()->metaObject()->className()));
    for (int i = 0; i < iface->childCount(); ++i)
        unnamed(iface->child(i), found);
}

QStringList announced; // what a screen reader was told to say, heard from initTestCase on

// Claims every key offered before shortcuts, as a text field does with its editing keys
// (X11's line edit: Ctrl+E is "end of line"), and notes which keys it was offered.
struct ClaimsKeys : QObject {
    QList<QKeyCombination> offered;
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() != QEvent::ShortcutOverride) return false;
        offered.append(static_cast<QKeyEvent *>(event)->keyCombination());
        event->accept();
        return true;
    }
};

// Every widget given focus while nobody can see it.
struct HiddenFocus : QObject {
    QStringList given;
    HiddenFocus() { qApp->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::FocusIn && watched->isWidgetType() &&
            !static_cast<QWidget *>(watched)->isVisible())
            given.append(QLatin1String(watched->metaObject()->className()));
        return false;
    }
};

// Whether `w` shows the keyboard focus ring.
bool showsRing(QWidget *w) {
    const QColor ring = Theme::focusRing().resolve(w->palette());
    const QImage image = w->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == ring.rgb()) return true;
    return false;
}

QPalette palette(const QColor &window, const QColor &text, const QColor &base) {
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    return p;
}

const QPalette light = palette(QColor(239, 239, 239), Qt::black, Qt::white);
const QPalette dark = palette(QColor(53, 53, 53), Qt::white, QColor(42, 42, 42));

} // namespace

class TestContentView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void freshWindow();
    void forwardOnIncompleteBasics();
    void exporting();
    void exportKeysWhereTheFocusIs();
    void draftActions();
    void noFocusForHiddenWidgets();
    void focusIsSeen();
    void oneTabOrderOnEveryStep();
    void commandsFollowValidity();
    void preview();
    void pressAndReleaseAlwaysClick();
    void closeGuard_data();
    void closeGuard();
    void accessibility();
    void passwordProtectsWhatLeaves();
    void reviewSummary();
    void burstRendersOnceAfterTheLast();
    void unchangedDraftSchedulesNothing();
    void textsAreReadable();
    void openWidgetFollowsAppearance();
    void steps();
    void passwordNeverLeaves();
    void caretNewsFollowsToldFocus();

private:
    QTemporaryDir m_runtime;
};

void TestContentView::initTestCase() {
    QVERIFY(m_runtime.isValid());
    ::chmod(QFile::encodeName(m_runtime.path()).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    Announce::setListener([](const QString &text) { announced.append(text); });
}

void TestContentView::freshWindow() {
    Window w;
    // The window and its frame fit the screen (the offscreen one is smaller than 880 wide).
    const QRect screen = w.view.screen()->availableGeometry();
    const QMargins frame = w.view.windowHandle()->frameMargins();
    QCOMPARE(w.view.size(), QSize(1200, 850).boundedTo(screen.size().shrunkBy(frame)));
    QVERIFY(screen.contains(w.view.frameGeometry()));
    QVERIFY(w.view.minimumSizeHint().width() <= screen.width());
    // A second window opened from one low on the screen is on the screen too, and named apart.
    w.view.resize(w.view.minimumSize());
    w.view.move(screen.left(), screen.bottom() - w.view.frameGeometry().height());
    RecordingDesktop desktop;
    ContentView second(&desktop);
    second.cascadeFrom(&w.view);
    second.show();
    QVERIFY(screen.contains(second.frameGeometry()));
    QVERIFY(second.windowTitle() != w.view.windowTitle());
    second.model()->editableDraft()->employee = u"Velo Marrick"_s;
    second.model()->draftEdited();
    QCOMPARE(second.windowTitle(), u"Velo Marrick — Corvane"_s);
    QVERIFY(!w.model()->pdf().isEmpty()); // rendered when first shown, without the delay
    QCOMPARE(w.view.preview()->netText(), u"$0.00"_s);
}

// A failed forward says why, shows every field's problem and puts focus on the first.
void TestContentView::forwardOnIncompleteBasics() {
    Window w;
    announced.clear();
    QTest::mouseClick(w.view.forwardButton(), Qt::LeftButton);
    QCOMPARE(w.view.stage(), WorkflowStep::basic);
    QCOMPARE(w.view.inlineError(), std::optional<QString>(u"请填写雇主名称。"_s));
    QVERIFY(w.view.inlineErrorLabel()->isVisible());
    QCOMPARE(announced, QStringList{u"还有 5 项需要填写：请填写雇主名称。"_s});
    LimitedField *employee = w.view.form()->employeeField();
    QVERIFY(employee->messageLine()->isVisible());
    QLineEdit *employer = w.view.form()->employerField()->input();
    QVERIFY(employer->hasFocus());
    QCOMPARE(QAccessible::queryAccessibleInterface(employer)->text(QAccessible::Description),
             u"请填写雇主名称"_s);
    QTest::keyClick(employer, Qt::Key_M);
    QVERIFY(!w.view.inlineError()); // one keystroke clears the message and the forced display
    QVERIFY(!employee->messageLine()->isVisible() && !w.view.inlineErrorLabel()->isVisible());
    QTest::mouseClick(w.view.forwardButton(), Qt::LeftButton);
    QCOMPARE(w.view.inlineError(), std::optional<QString>(u"请填写员工姓名。"_s));
    w.view.stepNavigation()->button(WorkflowStep::amounts)->click(); // a change of step too
    QVERIFY(!w.view.inlineError());
    QCOMPARE(announced.mid(1), QStringList({"还有 4 项需要填写：请填写员工姓名。",
                                            "第2步，收入与扣款：把本期收入与扣款填清楚"}));
}

void TestContentView::exporting() {
    Window w;
    w.view.exportAction()->trigger();
    QCOMPARE(w.desktop.alerts, QStringList{u"请检查工资单|请填写雇主名称。|知道了"_s});
    QVERIFY(w.desktop.saves.isEmpty());
    // Pressed again while the save dialog is open: one dialog, and cancelling is no failure.
    w.loadSample();
    int nested = 0;
    w.desktop.onSave = [&](const QString &) {
        ++nested;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
        w.view.exportPDF();
        return QString();
    };
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(nested, 1);
    QCOMPARE(w.desktop.saves, QStringList{u"Corvane_Velo Marrick_2026-06-01_2026-06-30.pdf"_s});
    QCOMPARE(w.desktop.alerts.size(), 1);
    QVERIFY(!w.view.exporting());
}

// The export keys work where the caret is, before the field can take them; the field keeps
// its other keys.
void TestContentView::exportKeysWhereTheFocusIs() {
    Window w(true);
    for (int key : {Qt::Key_E, Qt::Key_S}) {
        for (WorkflowStep step : Workflow::allCases) {
            w.view.setStage(step);
            QWidget *target = step == WorkflowStep::basic ? w.view.form()->employeeField()->input()
                              : step == WorkflowStep::amounts
                                  ? static_cast<QWidget *>(w.view.form()->notesEditor())
                                  : w.view.reviewPanel()->protection()->passwordInput();
            target->setFocus(Qt::TabFocusReason);
            QCOMPARE(QApplication::focusWidget(), target);
            ClaimsKeys claims;
            target->installEventFilter(&claims);
            const qsizetype saves = w.desktop.saves.size();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::ControlModifier);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QCOMPARE(w.desktop.saves.size(), saves + 1);
            QVERIFY(!claims.offered.contains(Qt::ControlModifier | Qt::Key(key)));
            QVERIFY(claims.offered.contains(Qt::ControlModifier | Qt::Key_A));
        }
    }
}

// Which fields carry over is the payroll logic's (test_payroll); here, the way there.
void TestContentView::draftActions() {
    Window w(true);
    w.view.setStage(WorkflowStep::amounts);
    w.model()->editableDraft()->employee.clear();
    w.model()->draftEdited();
    w.view.advance();
    const auto message = w.view.inlineError();
    QVERIFY(message);
    const PayrollDraft before = w.model()->draft();
    w.desktop.confirmAnswer = false; // cancelled: nothing changes
    w.view.draftAction(DraftAction::clear)->trigger();
    w.view.draftAction(DraftAction::sample)->trigger();
    QVERIFY(w.model()->draft() == before);
    QCOMPARE(w.view.stage(), WorkflowStep::amounts);
    QCOMPARE(w.view.inlineError(), message);
    QVERIFY(w.desktop.confirms.last().endsWith(u"取消会保留全部输入。|载入示例"_s));
    QVERIFY(w.desktop.confirms.at(w.desktop.confirms.size() - 2).endsWith("|destructive"));
    w.desktop.confirmAnswer = true;
    w.view.moreButton()->setFocus(Qt::TabFocusReason);
    w.view.draftAction(DraftAction::nextEmployee)->trigger();
    QVERIFY(w.desktop.confirms.last().endsWith(u"|下一位员工"_s));
    QCOMPARE(w.view.stage(), WorkflowStep::basic);
    QCOMPARE(QApplication::focusWidget(), w.view.form()->employerField()->input());
    QVERIFY(!w.view.inlineError());
    QCOMPARE(w.view.form()->employerField()->input()->text(), before.employer); // form reloaded
    QVERIFY(w.model()->draft().employee.isEmpty());
}

void TestContentView::noFocusForHiddenWidgets() {
    Window w;
    HiddenFocus watch;
    for (WorkflowStep step : {WorkflowStep::amounts, WorkflowStep::review, WorkflowStep::basic})
        QTest::mouseClick(w.view.stepNavigation()->button(step), Qt::LeftButton);
    w.view.requestAction(DraftAction::clear);
    QTest::mouseClick(w.view.form()->dateFields()[0]->chooseButton(), Qt::LeftButton);
    w.loadSample();
    QTest::mouseClick(w.view.forwardButton(), Qt::LeftButton);
    QTest::mouseClick(w.view.forwardButton(), Qt::LeftButton);
    QCOMPARE(w.view.stage(), WorkflowStep::review);
    QVERIFY2(watch.given.isEmpty(), qPrintable(watch.given.join(u", "_s)));
    // A hidden calendar follows every date and says which day is current: there is none.
    QVERIFY(w.view.findChildren<QCalendarWidget *>().isEmpty());
    w.view.setStage(WorkflowStep::basic);
    OptionalDateField *start = w.view.form()->dateFields()[0];
    QTest::mouseClick(start->calendarButton(), Qt::LeftButton);
    QCalendarWidget *calendar = w.view.findChild<QCalendarWidget *>();
    QVERIFY(calendar && calendar->isVisible());
    QCOMPARE(calendar->selectedDate(), QDate(2026, 6, 1));
    QTest::keyClick(calendar, Qt::Key_Escape);
    QTRY_VERIFY(w.view.findChildren<QCalendarWidget *>().isEmpty());
    QVERIFY(watch.given.isEmpty());
}

// The ring marks the control that has focus, wherever the keyboard or the window put it.
void TestContentView::focusIsSeen() {
    Window w;
    w.view.setAttribute(Qt::WA_KeyboardFocusChange);
    QPushButton *forward = w.view.forwardButton(); // the default button: unlike its own look
    QVERIFY(!showsRing(forward));
    forward->setFocus(Qt::TabFocusReason);
    QVERIFY(showsRing(forward));
    w.view.preview()->pdfView()->view()->setFocus(Qt::TabFocusReason);
    QVERIFY(showsRing(w.view.preview()->pdfView()->view()));
    StepNavigation *steps = w.view.stepNavigation();
    steps->button(WorkflowStep::basic)->setFocus(Qt::TabFocusReason);
    QVERIFY(showsRing(steps->button(WorkflowStep::basic)));
    QTest::mouseClick(steps->button(WorkflowStep::amounts), Qt::LeftButton);
    QVERIFY(showsRing(steps->button(WorkflowStep::amounts)));
    QVERIFY(!showsRing(steps->button(WorkflowStep::basic)));
    w.loadSample();
    w.view.setStage(WorkflowStep::amounts);
    QTest::mouseClick(w.view.forwardButton(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), w.view.reviewPanel()->page());
    QVERIFY(showsRing(w.view.reviewPanel()->page()));
}

// Tab goes from the steps to the step's content and then to the footer, on every step.
void TestContentView::oneTabOrderOnEveryStep() {
    Window w(true);
    for (WorkflowStep step : {WorkflowStep::amounts, WorkflowStep::basic, WorkflowStep::review}) {
        w.view.setStage(step);
        QWidget *content = step == WorkflowStep::review
                               ? static_cast<QWidget *>(w.view.reviewPanel())
                               : w.view.form();
        QWidget *lastStep = w.view.stepNavigation()->button(WorkflowStep::review);
        lastStep->setFocus(Qt::TabFocusReason);
        QString order; // c: the content, f: the footer, o: anything else
        for (int i = 0; i < 200 && (i == 0 || QApplication::focusWidget() != lastStep); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *now = QApplication::focusWidget();
            const bool footer = now == w.view.forwardButton() || now == w.view.backButton() ||
                                now == w.view.saveButton();
            order += content->isAncestorOf(now) ? u'c' : footer ? u'f' : u'o';
        }
        QVERIFY2(QRegularExpression(u"^c+f+o+$"_s).match(order).hasMatch(), qPrintable(order));
    }
}

// The commands follow the draft's validity, and each way out reaches the desktop. Where the
// edit action lands is Workflow::editingStep's (steps, below).
void TestContentView::commandsFollowValidity() {
    Window w;
    w.view.stepNavigation()->button(WorkflowStep::review)->click(); // no check when jumping ahead
    QCOMPARE(w.view.stage(), WorkflowStep::review);
    const QList<QToolButton *> shares = w.view.shareControls();
    QCOMPARE(shares.size(), 2);
    QVERIFY(!shares[0]->isEnabled() && !shares[1]->isEnabled());
    QVERIFY(!w.view.printAction()->isEnabled());
    QVERIFY(!w.view.reviewPanel()->openWithButton()->isEnabled());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
    QVERIFY(w.desktop.printed.isEmpty() && w.desktop.alerts.isEmpty());
    w.loadSample();
    QVERIFY(shares[0]->isEnabled() && shares[1]->isEnabled() && w.view.printAction()->isEnabled());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(w.desktop.printed, QStringList{u"dialog 1"_s}); // the dialog, for one page
    w.action("shareAsCopy")->trigger();
    const QMimeData *copied = QApplication::clipboard()->mimeData();
    QCOMPARE(copied->urls().size(), 1);
    QVERIFY(copied->urls()[0].toLocalFile().startsWith(PDFSharePayload::temporaryRoot() + u'/'));
    QVERIFY(copied->data(u"x-special/gnome-copied-files"_s).startsWith("copy\nfile://"));
    w.view.setStage(WorkflowStep::review);
    QVERIFY(w.view.saveButton()->isVisible() && !w.view.forwardButton()->isVisible());
    QTest::mouseClick(w.view.reviewPanel()->openWithButton(), Qt::LeftButton);
    QCOMPARE(w.desktop.opened.size(), 1);
    QTest::mouseClick(w.view.reviewPanel()->previewButton(), Qt::LeftButton); // full window
    QDialog *sheet = w.view.fullPreview();
    QVERIFY(sheet && sheet->isVisible() && sheet->windowModality() == Qt::WindowModal);
    sheet->findChild<QPushButton *>(u"backToEditing"_s)->click();
    QVERIFY(!sheet->isVisible());
    QTest::mouseClick(w.view.reviewPanel()->editButton(), Qt::LeftButton);
    QCOMPARE(w.view.stage(), WorkflowStep::amounts);
}

void TestContentView::preview() {
    Window w;
    NativePDFPreview *shown = w.view.preview()->pdfView();
    QCOMPARE(shown->loadCount(), 1);
    w.view.preview()->refresh(); // an unrelated redraw reloads nothing
    QCOMPARE(shown->loadCount(), 1);
    QCOMPARE(shown->document()->status(), QPdfDocument::Status::Ready);
    w.loadSample();
    QVERIFY(waitForRendering(w.model()));
    QCOMPARE(shown->loadCount(), 2);
    QCOMPARE(w.view.preview()->netText(), u"$2,331.38"_s);
    w.model()->editableDraft()->a4 = true;
    w.model()->draftEdited();
    QCOMPARE(w.view.preview()->paperText(), u"A4"_s); // at once, not after the delay
    QVERIFY(waitForRendering(w.model()));             // the paper alone makes a new statement
    QCOMPARE(shown->loadCount(), 3);
    QCOMPARE(shown->document()->pagePointSize(0).toSize(), QSize(595, 842));
    w.model()->editableDraft()->reimbursements[0].amount = u"1,0"_s;
    w.model()->draftEdited();
    QCOMPARE(w.view.preview()->netText(), u"—"_s);
    QVERIFY(!w.view.preview()->showsProblem());
    QVERIFY(waitForRendering(w.model()));
    QCOMPARE(w.view.preview()->problemText(), u"请去掉 $ 和千位逗号，例如输入 1234.56。"_s);
    QCOMPARE(shown->loadCount(), 3); // the last good statement stays
    w.model()->editableDraft()->reimbursements[0].amount = u"10"_s;
    w.model()->draftEdited();
    QVERIFY(waitForRendering(w.model()));
    QVERIFY(!w.view.preview()->showsProblem());
    QCOMPARE(shown->loadCount(), 4);
}

// A problem line that appears when the press moves focus must not move the control from
// under the pointer before the release.
void TestContentView::pressAndReleaseAlwaysClick() {
    Window w;
    QVERIFY(w.view.form()->employerField()->input()->hasFocus());
    pressAndRelease(w.view.form()->dateFields()[0]->chooseButton());
    QCOMPARE(w.model()->draft().start, std::optional<QDate>(QDate::currentDate()));
    QVERIFY(w.view.form()->employerField()->messageLine()->isVisible()); // shown after all
    w.view.setStage(WorkflowStep::amounts);
    auto *earning = qobject_cast<EarningEditor *>(w.view.form()->earningsSection()->editors()[0]);
    earning->ytdField()->input()->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(earning->ytdField()->input(), u"1,000"_s);
    pressAndRelease(w.view.form()->earningsSection()->addButton());
    QCOMPARE(w.model()->draft().earnings.size(), 2);
}

// Each way a statement leaves the window, and how it ended: only a finished delivery
// spares the question when the window closes; a failure is said under its own title.
void TestContentView::closeGuard_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("alert");
    QTest::addColumn<bool>("asks");
    using O = platform::Outcome;
    QTest::newRow("fresh window") << "" << int(O::done) << "" << false;
    QTest::newRow("nothing done") << "sample" << int(O::done) << "" << true;
    QTest::newRow("saved") << "save" << int(O::done) << "" << false;
    QTest::newRow("save failed") << "save" << int(O::failed) << "请检查工资单|无法保存" << true;
    QTest::newRow("paper changed after saving") << "save, edit" << int(O::done) << "" << true;
    QTest::newRow("saved from the question") << "question" << int(O::done) << "" << true;
    QTest::newRow("discarded") << "discard" << int(O::done) << "" << true;
    QTest::newRow("open-with cancelled") << "open" << int(O::cancelled) << "" << true;
    QTest::newRow("open-with failed")
        << "open" << int(O::failed) << "无法用其他应用打开|它失败了。" << true;
    QTest::newRow("mail failed") << "mail" << int(O::failed) << "无法通过邮件发送|它失败了。"
                                 << true;
    QTest::newRow("mail composed") << "mail" << int(O::done) << "" << false;
    QTest::newRow("print dialog cancelled") << "print" << int(O::cancelled) << "" << true;
    QTest::newRow("print job refused")
        << "print" << int(O::failed) << "无法打印|它失败了。" << true;
    QTest::newRow("print job accepted") << "print" << int(O::done) << "" << false;
}

void TestContentView::closeGuard() {
    QFETCH(QString, action);
    QFETCH(int, outcome);
    QFETCH(QString, alert);
    QFETCH(bool, asks);
    Window w(!action.isEmpty());
    const auto kind = platform::Outcome::Kind(outcome);
    w.desktop.outcome = {kind, kind == platform::Outcome::failed ? "它失败了。" : ""};
    QTemporaryDir scratch;
    const QString saved = kind == platform::Outcome::failed ? u"/nonexistent-folder/s.pdf"_s
                                                            : scratch.filePath(u"s.pdf"_s);
    w.desktop.onSave = [&](const QString &) { return saved; };
    if (action.startsWith(QLatin1String("save"))) {
        announced.clear();
        w.view.exportAction()->trigger();
        if (kind == platform::Outcome::done) { // the bytes rendered for it, and said
            QCOMPARE(contents(saved), w.model()->pdf());
            QCOMPARE(w.view.note(), u"已保存到 "_s + saved);
            QCOMPARE(announced, QStringList{w.view.note()});
        } else {
            QVERIFY(announced.isEmpty());
        }
    } else if (action == QLatin1String("open")) {
        w.view.setStage(WorkflowStep::review);
        QTest::mouseClick(w.view.reviewPanel()->openWithButton(), Qt::LeftButton);
        QCOMPARE(w.desktop.opened.size(), 1);
    } else if (action == QLatin1String("mail")) {
        w.action("shareByMail")->trigger();
        QCOMPARE(w.desktop.mailed.size(), 1);
    } else if (action == QLatin1String("print")) {
        if (kind != platform::Outcome::cancelled)
            w.desktop.printAnswer = platform::PrintJob{u"Office"_s, {}, 1, {}, {}};
        w.view.printAction()->trigger();
        QCOMPARE(w.desktop.printed.mid(1), kind == platform::Outcome::cancelled
                                               ? QStringList()
                                               : QStringList{u"Office|%PDF-"_s});
    }
    if (action.endsWith(QLatin1String("edit"))) {
        w.model()->editableDraft()->a4 = true;
        w.model()->draftEdited();
    }
    QCOMPARE(w.desktop.alerts.size(), alert.isEmpty() ? 0 : 1);
    if (!alert.isEmpty())
        QVERIFY2(w.desktop.alerts[0].startsWith(alert), qPrintable(w.desktop.alerts[0]));
    const bool question = action == QLatin1String("question");
    w.desktop.chooseAnswer = question ? 2 : action == QLatin1String("discard") ? 1 : 0;
    QCOMPARE(w.view.close(), !asks || w.desktop.chooseAnswer > 0);
    QCOMPARE(w.desktop.questions.size(), asks ? 1 : 0);
    if (!w.desktop.questions.isEmpty())
        QCOMPARE(w.desktop.questions[0],
                 QStringLiteral("关闭前导出工资单？|此工资单尚未导出，关闭窗口后填写的内容将丢失。|"
                                "取消(cancel)|放弃并关闭(destructive)|导出 PDF…"));
    if (question) { // saved from there, then closed
        QVERIFY(QFileInfo::exists(saved));
        w.view.show();
        QVERIFY(w.view.close()); // delivered: no second question
        QCOMPARE(w.desktop.questions.size(), 1);
    }
}

void TestContentView::accessibility() {
    Window w;
    for (WorkflowStep step : Workflow::allCases) {
        w.view.setStage(step);
        QStringList found;
        unnamed(QAccessible::queryAccessibleInterface(&w.view), found);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u", "_s)));
    }
    for (QToolButton *b : w.view.findChildren<QToolBar *>()[0]->findChildren<QToolButton *>())
        QVERIFY2(!b->isVisible() || b->focusPolicy() & Qt::TabFocus, qPrintable(b->text()));
    // The password toggle keeps its name; its state says whether the password shows.
    QToolButton *toggle = w.view.reviewPanel()->protection()->visibilityButton();
    toggle->click();
    QAccessibleInterface *shown = QAccessible::queryAccessibleInterface(toggle);
    QCOMPARE(shown->text(QAccessible::Name), u"显示密码"_s);
    QVERIFY(shown->state().checked);
    // The net payment is a Tab stop read whole, and said once typing pauses.
    announced.clear();
    w.loadSample();
    const QString net = u"本期净支付 $2,331.38 CAD"_s;
    QTRY_VERIFY(announced.contains(net));
    const QList<QWidget *> stops = w.view.preview()->findChildren<QWidget *>();
    QVERIFY(std::any_of(stops.begin(), stops.end(), [&](QWidget *stop) {
        return stop->accessibleName() == net && stop->focusPolicy() & Qt::TabFocus;
    }));
    // A step, pressed as assistive technology does, is shown and the only one selected; the
    // review opens at its top.
    QScrollBar *bar = w.view.reviewPanel()->page()->verticalScrollBar();
    bar->setValue(bar->maximum());
    QAccessibleInterface *review = QAccessible::queryAccessibleInterface(
        w.view.stepNavigation()->button(WorkflowStep::review));
    QCOMPARE(review->role(), QAccessible::PageTab);
    review->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(w.view.stage(), WorkflowStep::review);
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), 0);
    for (WorkflowStep step : Workflow::allCases)
        QCOMPARE(QAccessible::queryAccessibleInterface(w.view.stepNavigation()->button(step))
                     ->state()
                     .selected,
                 step == WorkflowStep::review);
}

void TestContentView::passwordProtectsWhatLeaves() {
    Window w(true);
    w.view.setStage(WorkflowStep::review);
    PasswordFields *protection = w.view.reviewPanel()->protection();
    const QString password = u"工资2026密码"_s;
    protection->passwordInput()->setText(password);
    protection->confirmationInput()->setText(u"工资2026"_s);
    w.view.exportAction()->trigger(); // mismatch: said, nothing written
    QCOMPARE(w.desktop.alerts, QStringList{u"请检查工资单|两次输入的密码不一致。|知道了"_s});
    QVERIFY(w.desktop.saves.isEmpty());
    QVERIFY(protection->confirmationMessage()->isVisible());
    protection->confirmationInput()->setText(password);
    QTemporaryDir scratch;
    const QString saved = scratch.filePath(u"s.pdf"_s);
    w.desktop.onSave = [&](const QString &) { return saved; };
    w.view.exportAction()->trigger();
    QVERIFY(contents(saved).contains("/Encrypt"));
    QVERIFY(!w.model()->pdf().contains("/Encrypt")); // the preview shows the plain statement
    w.action("shareAsCopy")->trigger();
    QCOMPARE(w.desktop.copied.size(), 1);
    QVERIFY(contents(w.desktop.copied[0]).contains("/Encrypt"));
    // Nothing under the private folder holds the password in any readable form.
    const QByteArray utf16(reinterpret_cast<const char *>(password.utf16()), password.size() * 2);
    const QString root = PDFSharePayload::temporaryRoot();
    for (const QString &file : filesBelow(root)) {
        const QByteArray content = contents(root + u'/' + file);
        QVERIFY(!content.contains(password.toUtf8()) && !content.contains(utf16));
    }
    // Printing into a file is an export: protected too, with only the pages chosen.
    w.model()->setDraft(StatementDrafts::manyRows());
    const QString printed = scratch.filePath(u"printed.pdf"_s);
    w.desktop.printAnswer = platform::PrintJob{u"Office"_s, printed, 1, "2", {}};
    w.view.printAction()->trigger();
    QVERIFY(!OpenedPdf(contents(printed)).ready());
    OpenedPdf opened(contents(printed), password);
    OpenedPdf whole(w.model()->pdf());
    QCOMPARE(opened.document.pageCount(), 1);
    QCOMPARE(opened.document.getAllText(0).text(), whole.document.getAllText(1).text());
    w.view.draftAction(DraftAction::nextEmployee)->trigger();
    QVERIFY(protection->password().isEmpty() && protection->confirmationInput()->text().isEmpty());
}

// The review card on its own: what it lists and whether the statement may leave.
void TestContentView::reviewSummary() {
    RecordingDesktop desktop;
    ReviewPanel panel(&desktop);
    panel.setDraft(PayrollDraft());
    QVERIFY(!panel.ready() && !panel.openWithButton()->isEnabled());
    QCOMPARE(panel.readinessDetail(), u"请填写雇主名称。"_s);
    QCOMPARE(panel.details(), QStringList({"雇主: 未填写", "员工: 未填写", "工资周期: 未填写",
                                           "付款日期: 未填写", "支付方式: FULL DEPOSIT"}));
    QCOMPARE(panel.amounts(), QStringList({"$0.00", "$0.00", "$0.00", "$0.00"}));
    PayrollDraft d = PayrollDraft::sample();
    panel.setDraft(d);
    QVERIFY(panel.ready() && panel.openWithButton()->isEnabled());
    QCOMPARE(panel.details()[2],
             "工资周期: " + shortMonth(6) + " 01, 2026 — " + shortMonth(6) + " 30, 2026");
    QCOMPARE(panel.amounts(), QStringList({"$2,700.00", "$368.62", "$0.00", "$2,331.38"}));
    // A character no font draws (U+05FF is unassigned) is named, and export stays open.
    d.employee = u"Ana \u05FF"_s;
    panel.setDraft(d);
    QVERIFY(panel.ready());
    QCOMPARE(panel.readinessDetail(),
             QStringLiteral(
                 "请再核对姓名、日期与净支付金额。\nPDF 中以下字符没有可用字体，将显示为方框："
                 "\u05FF。请安装相应字体（如 fonts-noto-core）。"));
    d.deductions[2].ytd = u"abc"_s;
    d.end.reset();
    d.employee = u"  "_s;
    panel.setDraft(d);
    QCOMPARE(panel.amounts(), QStringList({"—", "—", "—", "—"}));
    QCOMPARE(panel.details()[1], u"员工:   "_s); // spaces are shown, not "未填写"
    QCOMPARE(panel.details()[2], "工资周期: " + shortMonth(6) + " 01, 2026");
    QCOMPARE(panel.readinessDetail(), u"请填写员工姓名。"_s);
    // The card counts a password that the export would refuse; the confirmation's mismatch
    // shows once something was typed in it, not when focus passes through it empty.
    panel.setDraft(PayrollDraft::sample());
    PasswordFields *fields = panel.protection();
    QLineEdit *confirmation = fields->confirmationInput();
    QCOMPARE(QAccessible::queryAccessibleInterface(confirmation)->text(QAccessible::Name),
             u"保护 PDF：确认密码"_s);
    fields->passwordInput()->setText(u"secret6"_s);
    QVERIFY(!panel.ready());
    QCOMPARE(panel.readinessDetail(), u"两次输入的密码不一致。"_s);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(confirmation, &out);
    QVERIFY(fields->confirmationMessage()->isHidden());
    confirmation->setText(u"secret"_s);
    QApplication::sendEvent(confirmation, &out);
    QVERIFY(!fields->confirmationMessage()->isHidden());
    confirmation->setText(u"secret6"_s);
    QVERIFY(panel.ready());
    QCOMPARE(panel.readinessDetail(), u"导出的 PDF 将以密码保护。"_s);
}

// The model alone, without a window: when it renders and what it reports.
void TestContentView::burstRendersOnceAfterTheLast() {
    PayrollModel model;
    QSignalSpy renders(&model, &PayrollModel::previewErrorChanged);
    QSignalSpy modified(&model, &PayrollModel::draftModified);
    QElapsedTimer sinceLast;
    for (int i = 1; i <= 3; ++i) {
        model.editableDraft()->employee = u"Edit %1"_s.arg(i);
        model.draftEdited();
        sinceLast.start();
        QTest::qWait(100);
        QCOMPARE(renders.count(), 0); // each edit inside the window cancels the pending one
    }
    QCOMPARE(modified.count(), 3);
    QVERIFY(renders.wait(1000));
    // The clock was read just after the timer started, so allow a few milliseconds.
    QVERIFY2(sinceLast.elapsed() >= PayrollModel::refreshDelayMs - 10,
             qPrintable(QString::number(sinceLast.elapsed())));
    QTest::qWait(300);
    QCOMPARE(renders.count(), 1);
    QVERIFY(readPdf(model.pdf()).allLines().contains(u"EMPLOYEE Edit 3"_s));
}

// An unchanged draft schedules nothing; a draft that fails validation still renders.
void TestContentView::unchangedDraftSchedulesNothing() {
    PayrollModel model;
    QSignalSpy changed(&model, &PayrollModel::draftChanged);
    QSignalSpy modified(&model, &PayrollModel::draftModified);
    model.setDraft(model.draft()); // same value, same row ids
    model.draftEdited();
    QCOMPARE(changed.count(), 2); // every assignment is published
    QCOMPARE(modified.count(), 0);
    QVERIFY(!model.refreshPending());
    model.setDraft(PayrollDraft()); // equal texts, but new row ids: a different draft
    QCOMPARE(modified.count(), 1);
    QVERIFY(model.refreshPending());
    QCOMPARE(model.net(), u"$0.00"_s);
    PayrollDraft d = PayrollDraft::sample();
    d.employee.clear(); // fails validation, but every amount can be read: it renders
    model.setDraft(d);
    model.refresh();
    QVERIFY(!model.previewError());
    QVERIFY(readPdf(model.pdf()).allLines().contains("FULL DEPOSIT NET PAYMENT $2,331.38"));
    QCOMPARE(model.net(), u"$2,331.38"_s);
    model.editableDraft()->earnings[0].hours = u"abc"_s;
    QCOMPARE(model.net(), u"—"_s);
    model.editableDraft()->earnings[0].hours = u"1"_s;
    model.editableDraft()->deductions[0].amount = u"1000"_s;
    QCOMPARE(model.net(), u"-$1,206.29"_s);
}

// Every text meets the WCAG AA ratio against the background it is drawn on, in light, dark
// and darker palettes.
void TestContentView::textsAreReadable() {
    const QPalette darker = palette(QColor(30, 30, 30), QColor(235, 235, 235), QColor(20, 20, 20));
    for (const QPalette &p : {light, dark, darker}) {
        const auto pairs = Theme::textsOnBackgrounds(p);
        QVERIFY(pairs.size() >= 8);
        for (const Theme::TextOnBackground &pair : pairs) {
            const qreal ratio = Theme::contrast(pair.text, pair.background);
            QVERIFY2(ratio >= (pair.large ? 3.0 : 4.5),
                     qPrintable(u"%1: %2"_s.arg(QLatin1String(pair.what)).arg(ratio)));
        }
    }
    QCOMPARE(qRound(Theme::contrast(Qt::black, Qt::white)), 21); // the measure itself
}

// An open widget is recoloured when the desktop switches between light and dark; a palette
// with no clear answer counts as light.
void TestContentView::openWidgetFollowsAppearance() {
    const QColor lightInk = Theme::errorInk().resolve(light);
    const QColor darkInk = Theme::errorInk().resolve(dark);
    QVERIFY(lightInk != darkInk);
    QPalette undecided;
    undecided.setColor(QPalette::Window, Qt::gray);
    undecided.setColor(QPalette::WindowText, Qt::gray);
    QCOMPARE(Theme::errorInk().resolve(undecided), lightInk);
    QApplication::setPalette(light);
    QWidget window;
    auto *label = new QLabel(u"x"_s, &window);
    QColor seen;
    Theme::follow(label, [&] { seen = Theme::errorInk().resolve(label->palette()); });
    window.show();
    QCOMPARE(seen, lightInk);
    QApplication::setPalette(dark);
    QApplication::processEvents();
    QCOMPARE(seen, darkInk);
    QApplication::setPalette(light);
    QApplication::processEvents();
    QCOMPARE(seen, lightInk);
}

void TestContentView::steps() {
    QCOMPARE(Workflow::fromRawValue(0), std::nullopt);
    QCOMPARE(Workflow::fromRawValue(4), std::nullopt);
    for (WorkflowStep step : Workflow::allCases)
        QCOMPARE(Workflow::fromRawValue(Workflow::rawValue(step)), std::optional(step));
    StepHeading heading;
    heading.setStage(WorkflowStep::review);
    QCOMPARE(heading.lineText(), u"STEP 03 / 03"_s);
    // What blocks moving on: the basics from the first step, everything from the second.
    PayrollDraft d = PayrollDraft::sample();
    QCOMPARE(Workflow::blockingProblem(WorkflowStep::amounts, d), std::nullopt);
    QCOMPARE(Workflow::editingStep(d), WorkflowStep::amounts);
    d.earnings[0].hours = u"x"_s;
    QCOMPARE(Workflow::blockingProblem(WorkflowStep::basic, d), std::nullopt);
    QVERIFY(Workflow::blockingProblem(WorkflowStep::amounts, d));
    QCOMPARE(Workflow::editingStep(d), WorkflowStep::amounts);
    d.end = QDate(2026, 5, 1);
    QCOMPARE(Workflow::blockingProblem(WorkflowStep::basic, d),
             std::optional<QString>(u"周期结束日期不能早于开始日期。"_s));
    QCOMPARE(Workflow::editingStep(d), WorkflowStep::basic);
    QCOMPARE(Workflow::blockingProblem(WorkflowStep::review, d), std::nullopt);
}

// What a screen reader is told of a line edit: the whole line as one attribute run (the
// reader drops the last character otherwise), and of a password field, masks only.
void TestContentView::passwordNeverLeaves() {
    QLineEdit name(u"Acme Bakery"_s), password(u"QZJXVK"_s);
    password.setEchoMode(QLineEdit::Password);
    LineEditAccessible line(&name), secret(&password);
    int start = -1, end = -1;
    line.attributes(4, &start, &end);
    QCOMPARE(std::pair(start, end), std::pair(0, 11));
    QCOMPARE(line.text(0, line.characterCount()), u"Acme Bakery"_s);
    QVERIFY(secret.state().passwordEdit && !line.state().passwordEdit);
    QStringList told = {secret.text(QAccessible::Value), secret.text(0, 6)};
    for (auto boundary : {QAccessible::CharBoundary, QAccessible::LineBoundary})
        told << secret.textAtOffset(2, boundary, &start, &end);
    AccessibleEvents::setSink([&](QAccessibleEvent *event) {
        if (auto *e = dynamic_cast<QAccessibleTextInsertEvent *>(event)) told << e->textInserted();
        if (auto *e = dynamic_cast<QAccessibleTextRemoveEvent *>(event)) told << e->textRemoved();
        if (auto *e = dynamic_cast<QAccessibleTextUpdateEvent *>(event))
            told << e->textRemoved() << e->textInserted();
    });
    for (QLineEdit *edit : {&password, &name}) {
        QAccessibleTextInsertEvent inserted(edit, 0, u"QZ"_s);
        QAccessibleTextRemoveEvent removed(edit, 0, u"JX"_s);
        QAccessibleTextUpdateEvent updated(edit, 0, u"VK"_s, u"QZ"_s);
        for (QAccessibleEvent *event :
             std::initializer_list<QAccessibleEvent *>{&inserted, &removed, &updated})
            AccessibleEvents::handle(event);
    }
    AccessibleEvents::setSink(nullptr);
    QCOMPARE(told.size(), 12);
    for (qsizetype i = 0; i < 8; ++i)
        QVERIFY2(!told[i].contains(u'Q') && !told[i].contains(u'V'), qPrintable(told[i]));
    QCOMPARE(told.mid(4, 4), QStringList({"**", "**", "**", "**"}));
    QCOMPARE(told.mid(8), QStringList({"QZ", "JX", "VK", "QZ"})); // other fields as typed
}

// Caret and selection news reaches the reader only for the widget whose focus it was
// told: before that, the reader would move to the field quietly and never name it.
void TestContentView::caretNewsFollowsToldFocus() {
    QWidget window;
    auto *first = new QLineEdit(&window), *second = new QLineEdit(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QList<std::pair<QObject *, QAccessible::Event>> told;
    AccessibleEvents::setSink([&](QAccessibleEvent *event) {
        told.append({event->object(), event->type()});
    });
    const auto tellAll = [](QLineEdit *edit) {
        QAccessibleTextCursorEvent caret(edit, 0);
        QAccessibleTextSelectionEvent selection(edit, 0, 0);
        AccessibleEvents::handle(&caret);
        AccessibleEvents::handle(&selection);
    };
    first->setFocus();
    tellAll(first); // focus not told yet
    QAccessibleEvent focus(first, QAccessible::Focus);
    AccessibleEvents::handle(&focus);
    tellAll(first);
    second->setFocus();
    tellAll(first);  // losing focus
    tellAll(second); // taking it, not told yet
    AccessibleEvents::setSink(nullptr);
    const QList<std::pair<QObject *, QAccessible::Event>> expected = {
        {first, QAccessible::Focus},
        {first, QAccessible::TextCaretMoved},
        {first, QAccessible::TextSelectionChanged}};
    QCOMPARE(told, expected);
}

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    FocusRingStyle::install();
    TestContentView test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_content_view.moc"
