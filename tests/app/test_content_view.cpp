#include "app/content_view.h"
#include "app/field_errors.h"
#include "app/payroll_model.h"
#include "app/preview_pane.h"
#include "app/step_navigation.h"
#include "delivery/pdf_share_payload.h"
#include "form/limited_field.h"
#include "form/payroll_form.h"
#include "pdf_text.h"
#include "recording_desktop.h"
#include "review/native_pdf_preview.h"
#include "review/review_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPdfDocument>
#include <QPdfView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct Window {
    RecordingDesktop desktop;
    ContentView view{&desktop};
    Window() {
        view.show();
        QApplication::setActiveWindow(&view);
        if (!QTest::qWaitForWindowActive(&view)) qWarning("window not active");
    }
    PayrollModel *model() { return view.model(); }
    void load(const PayrollDraft &d) {
        desktop.confirmAnswer = true;
        model()->setDraft(PayrollDraft());
        view.requestAction(QStringLiteral("sample"));
        if (!(d == PayrollDraft::sample())) {
            model()->setDraft(d);
            view.form()->reload();
        }
    }
};

mode_t modeOf(const QString &path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool waitForRendering(PayrollModel *model) {
    QSignalSpy rendered(model, &PayrollModel::previewErrorChanged);
    return rendered.wait(2000);
}

QString month(int m) {
    return QLocale(QStringLiteral("en_CA")).monthName(m, QLocale::ShortFormat);
}

} // namespace

class TestContentView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void freshWindow();
    void forwardOnIncompleteBasics();
    void exportWhileSaveDialogIsOpen();
    void savingAnInvalidDraft();
    void nextEmployeeKeepsAndResets();
    void cancelledConfirmationChangesNothing();
    void reviewEditAction();
    void shareControlFollowsValidity();
    void previewShowsProblemsAndPaper();
    void previewReloadsOnlyOnChange();
    void windowsAreIndependent();
    void endToEnd();
    void openWithPreparesAFile();
    void printing();

private:
    QTemporaryDir m_runtime;
};

void TestContentView::initTestCase() {
    QVERIFY(m_runtime.isValid());
    ::chmod(QFile::encodeName(m_runtime.path()).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
}

void TestContentView::freshWindow() {
    Window w;
    QCOMPARE(w.view.windowTitle(), QStringLiteral("Corvane"));
    QCOMPARE(w.view.size(), QSize(1200, 850));
    QCOMPARE(w.view.minimumSize(), QSize(880, 640));
    QCOMPARE(w.view.stage(), WorkflowStep::basic);
    QCOMPARE(w.view.forwardButton()->text(), QStringLiteral("下一步：填写金额"));
    QVERIFY(!w.view.backButton()->isVisible());
    QVERIFY(!w.model()->pdf().isEmpty()); // rendered when first shown, without the delay
    QCOMPARE(w.view.preview()->netText(), QStringLiteral("$0.00"));
    QCOMPARE(w.view.exportAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    QStringList items;
    for (QAction *a : w.view.moreButton()->menu()->actions())
        items.append(a->text());
    QCOMPARE(items, QStringList({"载入虚构示例", "下一位员工", "清空所有资料"}));
    QCOMPARE(w.view.moreButton()->text(), QStringLiteral("更多"));
    QStringList labels;
    for (const QLabel *l : w.view.findChildren<QLabel *>())
        labels.append(l->text());
    for (const char *text : {"Corvane", "填写、核对、交付。每一步都清楚。", "本地处理 · 无需账号",
                             "实时预览", "Letter", "本期净支付", "CAD", "输入需要修正",
                             "退出前请保存或分享 PDF，工资资料不会保留"})
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    QStringList shareItems;
    for (QAction *a : w.view.shareControls()[0]->menu()->actions())
        shareItems.append(a->text());
    QCOMPARE(shareItems, QStringList({"通过邮件发送", "复制文件", "在文件夹中显示"}));
    QCOMPARE(w.view.shareControls()[0]->text(), QStringLiteral("分享 PDF"));
    QCOMPARE(w.view.exportAction()->text(), QStringLiteral("导出 PDF"));
}

void TestContentView::forwardOnIncompleteBasics() {
    Window w;
    QTest::mouseClick(w.view.forwardButton(), Qt::LeftButton);
    QCOMPARE(w.view.stage(), WorkflowStep::basic);
    QCOMPARE(w.view.inlineError(), std::optional<QString>(QStringLiteral("请填写雇主名称。")));
    QVERIFY(w.view.inlineErrorLabel()->isVisible());
    QCOMPARE(w.view.inlineErrorLabel()->text(), QStringLiteral("请填写雇主名称。"));
    LimitedField *employee = w.view.form()->employeeField();
    QVERIFY(FieldErrors::shown(employee));
    QVERIFY(employee->messageLine()->isVisible()); // fields show their own problems now

    LimitedField *employer = w.view.form()->employerField();
    employer->input()->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(employer->input(), Qt::Key_M);
    QVERIFY(!w.view.inlineError());         // one keystroke clears the message
    QVERIFY(!FieldErrors::shown(employee)); // and the fields' forced display
    QVERIFY(!employee->messageLine()->isVisible());
    QVERIFY(!w.view.inlineErrorLabel()->isVisible());

    QTest::mouseClick(w.view.forwardButton(), Qt::LeftButton);
    QCOMPARE(w.view.inlineError(), std::optional<QString>(QStringLiteral("请填写员工姓名。")));
    w.view.stepNavigation()
        ->button(WorkflowStep::amounts)
        ->click(); // a change of step clears it too
    QVERIFY(!w.view.inlineError());
    QCOMPARE(w.view.stage(), WorkflowStep::amounts);
    QCOMPARE(w.view.backButton()->text(), QStringLiteral("上一步"));
    QCOMPARE(w.view.forwardButton()->text(), QStringLiteral("下一步：核对工资单"));
}

void TestContentView::exportWhileSaveDialogIsOpen() {
    Window w;
    w.load(PayrollDraft::sample());
    int nested = 0;
    w.desktop.onSave = [&](const QString &) {
        ++nested;
        QTest::keyClick(&w.view, Qt::Key_E, Qt::ControlModifier); // pressed again while open
        w.view.exportPDF();
        return QString(); // then cancelled: no failure
    };
    QTest::keyClick(&w.view, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(nested, 1);
    QCOMPARE(w.desktop.saves,
             QStringList{QStringLiteral("Corvane_Velo Marrick_2026-06-01_2026-06-30.pdf")});
    QVERIFY(w.desktop.alerts.isEmpty());
    QVERIFY(!w.view.exporting());
}

void TestContentView::savingAnInvalidDraft() {
    Window w;
    w.view.exportAction()->trigger();
    QCOMPARE(w.desktop.alerts, QStringList{QStringLiteral("请检查工资单|请填写雇主名称。|知道了")});
    QVERIFY(w.desktop.saves.isEmpty());
    QCOMPARE(w.view.stage(), WorkflowStep::basic);

    // A failed write is reported with the system's reason.
    w.load(PayrollDraft::sample());
    w.desktop.onSave = [](const QString &) { return QStringLiteral("/nonexistent-folder/x.pdf"); };
    w.view.exportAction()->trigger();
    QCOMPARE(w.desktop.alerts.size(), 2);
    QVERIFY(w.desktop.alerts[1].startsWith(QStringLiteral("请检查工资单|无法保存")));
}

void TestContentView::nextEmployeeKeepsAndResets() {
    Window w;
    PayrollDraft d = PayrollDraft::sample();
    d.notes = QStringLiteral("note");
    d.a4 = true;
    d.currency = QStringLiteral("USD");
    d.payment = QStringLiteral("CHEQUE");
    d.reimbursements[0].label = QStringLiteral("Travel");
    w.load(d);
    w.view.setStage(WorkflowStep::review);
    w.desktop.confirms.clear();
    w.view.menuAction(QStringLiteral("next"))->trigger();
    QCOMPARE(w.desktop.confirms,
             QStringList{QStringLiteral("替换当前填写内容？|"
                                        "新建下一位员工会清除员工、金额和备注，保留雇主、日期与显示"
                                        "设置。请先保存当前 PDF。|下一位员工")});
    const PayrollDraft &n = w.model()->draft();
    QCOMPARE(n.employer, d.employer);
    QCOMPARE(n.start, d.start);
    QCOMPARE(n.end, d.end);
    QCOMPARE(n.payday, d.payday);
    QCOMPARE(n.payment, d.payment);
    QCOMPARE(n.currency, d.currency);
    QCOMPARE(n.a4, d.a4);
    const PayrollDraft fresh;
    QVERIFY(n.employee.isEmpty() && n.notes.isEmpty());
    QCOMPARE(n.earnings.size(), 1);
    QCOMPARE(n.earnings[0].label, fresh.earnings[0].label);
    QVERIFY(n.earnings[0].hours.isEmpty() && n.earnings[0].ytd.isEmpty());
    QCOMPARE(n.deductions.size(), 4);
    QVERIFY(n.deductions[0].amount.isEmpty());
    QCOMPARE(n.reimbursements.size(), 1);
    QVERIFY(n.reimbursements[0].label.isEmpty());
    QCOMPARE(w.view.stage(), WorkflowStep::basic);
    QCOMPARE(w.view.form()->employerField()->input()->text(),
             d.employer); // the form shows the new draft

    w.view.menuAction(QStringLiteral("clear"))->trigger();
    QVERIFY(w.desktop.confirms.last().endsWith(QStringLiteral("|确认清空|destructive")));
    QVERIFY(w.model()->draft().employer.isEmpty());
}

void TestContentView::cancelledConfirmationChangesNothing() {
    Window w;
    w.load(PayrollDraft::sample());
    w.view.setStage(WorkflowStep::amounts);
    w.model()->editableDraft()->employee.clear();
    w.model()->draftEdited();
    w.view.advance();
    const auto message = w.view.inlineError();
    QVERIFY(message);
    const PayrollDraft before = w.model()->draft();
    w.desktop.confirmAnswer = false;
    w.view.menuAction(QStringLiteral("clear"))->trigger();
    w.view.menuAction(QStringLiteral("sample"))->trigger();
    QVERIFY(w.model()->draft() == before);
    QCOMPARE(w.view.stage(), WorkflowStep::amounts);
    QCOMPARE(w.view.inlineError(), message);
    QVERIFY(w.desktop.confirms.last().endsWith(QStringLiteral("取消会保留全部输入。|载入示例")));
}

void TestContentView::reviewEditAction() {
    Window w;
    w.load(PayrollDraft::sample());
    w.view.setStage(WorkflowStep::review);
    QCOMPARE(w.view.backButton()->text(), QStringLiteral("返回修改"));
    QVERIFY(w.view.saveButton()->isVisible() && !w.view.forwardButton()->isVisible());
    QTest::mouseClick(w.view.reviewPanel()->editButton(), Qt::LeftButton);
    QCOMPARE(w.view.stage(), WorkflowStep::amounts);
    w.model()->editableDraft()->end = QDate(2026, 5, 1); // basics now fail
    w.model()->draftEdited();
    w.view.setStage(WorkflowStep::review);
    QTest::mouseClick(w.view.reviewPanel()->editButton(), Qt::LeftButton);
    QCOMPARE(w.view.stage(), WorkflowStep::basic);
}

void TestContentView::shareControlFollowsValidity() {
    Window w;
    w.view.stepNavigation()->button(WorkflowStep::review)->click(); // no check when jumping ahead
    QCOMPARE(w.view.stage(), WorkflowStep::review);
    QCOMPARE(w.view.shareControls().size(), 2);
    for (QToolButton *b : w.view.shareControls())
        QVERIFY(!b->isEnabled());
    QVERIFY(!w.view.printAction()->isEnabled());
    QCOMPARE(w.view.reviewPanel()->readinessTitle(), QStringLiteral("还有内容需要检查"));
    QCOMPARE(w.view.reviewPanel()->readinessDetail(), QStringLiteral("请填写雇主名称。"));
    QVERIFY(!w.view.reviewPanel()->openWithButton()->isEnabled());
    w.load(PayrollDraft::sample());
    for (QToolButton *b : w.view.shareControls())
        QVERIFY(b->isEnabled());
    QVERIFY(w.view.printAction()->isEnabled());
    QCOMPARE(w.view.shareControls()[0]->toolTip(),
             QStringLiteral("分享真正的 PDF 附件；由你在系统面板选择应用及收件人。"));
}

void TestContentView::previewShowsProblemsAndPaper() {
    Window w;
    w.load(PayrollDraft::sample());
    QVERIFY(waitForRendering(w.model()));
    QCOMPARE(w.view.preview()->netText(), QStringLiteral("$2,331.38"));
    QCOMPARE(w.view.preview()->currencyText(), QStringLiteral("CAD"));
    w.model()->editableDraft()->a4 = true;
    w.model()->draftEdited();
    QCOMPARE(w.view.preview()->paperText(), QStringLiteral("A4")); // at once, not after the delay
    w.model()->editableDraft()->reimbursements[0].amount = QStringLiteral("1,0");
    w.model()->draftEdited();
    QCOMPARE(w.view.preview()->netText(), QStringLiteral("—"));
    QVERIFY(!w.view.preview()->showsProblem());
    QVERIFY(waitForRendering(w.model()));
    QVERIFY(w.view.preview()->showsProblem());
    QCOMPARE(w.view.preview()->problemText(),
             QStringLiteral("请去掉 $ 和千位逗号，例如输入 1234.56。"));
}

void TestContentView::previewReloadsOnlyOnChange() {
    NativePDFPreview preview;
    preview.setData(QByteArray());
    QCOMPARE(preview.loadCount(), 0); // empty bytes: nothing to show
    preview.setData("not a pdf");
    QCOMPARE(preview.loadCount(), 1);
    QVERIFY(!preview.view()->document());
    preview.setData("not a pdf");
    QCOMPARE(preview.loadCount(), 1); // the same bad bytes are not tried again

    Window w;
    NativePDFPreview *shown = w.view.preview()->pdfView();
    const int first = shown->loadCount();
    QCOMPARE(first, 1);
    w.view.preview()->refresh(); // an unrelated redraw
    w.view.preview()->refresh();
    QCOMPARE(shown->loadCount(), first);
    QVERIFY(shown->document() && shown->document()->status() == QPdfDocument::Status::Ready);
    w.model()->editableDraft()->employee = QStringLiteral("Someone");
    w.model()->draftEdited();
    QVERIFY(waitForRendering(w.model()));
    QCOMPARE(shown->loadCount(), first + 1);
}

void TestContentView::windowsAreIndependent() {
    Window a;
    Window b;
    a.model()->editableDraft()->employer = QStringLiteral("Only A");
    a.model()->draftEdited();
    QVERIFY(b.model()->draft().employer.isEmpty());
    QVERIFY(a.model() != b.model());
    QSignalSpy request(&a.view, &ContentView::newWindowRequested);
    QApplication::setActiveWindow(&a.view);
    QVERIFY(QTest::qWaitForWindowActive(&a.view));
    QTest::keyClick(&a.view, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(request.count(), 1);
}

void TestContentView::endToEnd() {
    Window w;
    w.desktop.confirmAnswer = true;
    w.view.menuAction(QStringLiteral("sample"))->trigger();
    QCOMPARE(w.desktop.confirms.size(), 1);
    QVERIFY(waitForRendering(w.model()));
    QCOMPARE(w.view.preview()->netText(), QStringLiteral("$2,331.38"));

    QTemporaryDir scratch;
    const QString target = scratch.filePath(QStringLiteral("statement.pdf"));
    w.desktop.onSave = [&](const QString &) { return target; };
    QTest::keyClick(&w.view, Qt::Key_E, Qt::ControlModifier);
    QVERIFY(w.desktop.alerts.isEmpty());
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QCOMPARE(bytes, w.model()->pdf()); // the saved bytes are the ones rendered for it
    QCOMPARE(w.view.note(), QStringLiteral("已保存到 ") + target);
    const QStringList lines = readPdf(bytes).allLines();
    QVERIFY(lines.contains(QStringLiteral("EMPLOYEE Velo Marrick")));
    QVERIFY(lines.contains(QStringLiteral("FULL DEPOSIT NET PAYMENT $2,331.38")));
    QVERIFY(lines.contains("PAY PERIOD " + month(6) + " 01, 2026 - " + month(6) + " 30, 2026"));

    QMenu *menu = w.view.shareControls()[0]->menu();
    QAction *copy = nullptr;
    for (QAction *a : menu->actions())
        if (a->text() == QStringLiteral("复制文件")) copy = a;
    QVERIFY(copy);
    copy->trigger();
    const QList<QUrl> urls = QApplication::clipboard()->mimeData()->urls();
    QCOMPARE(urls.size(), 1);
    const QString file = urls[0].toLocalFile();
    QCOMPARE(QFileInfo(file).fileName(),
             QStringLiteral("Corvane_Velo Marrick_2026-06-01_2026-06-30.pdf"));
    QVERIFY(file.startsWith(PDFSharePayload::temporaryRoot() + u'/'));
    QCOMPARE(modeOf(file), mode_t(0600));
    QCOMPARE(modeOf(QFileInfo(file).absolutePath()), mode_t(0700));
    QVERIFY(QApplication::clipboard()
                ->mimeData()
                ->data(QStringLiteral("x-special/gnome-copied-files"))
                .startsWith("copy\nfile://"));
    QCOMPARE(w.view.note(), QStringLiteral("已复制，可粘贴到文件管理器或聊天窗口"));

    // A service that fails after its call returned is reported in the alert.
    w.desktop.serviceFailure = QStringLiteral("无法打开邮件程序。");
    menu->actions().constFirst()->trigger();
    QCOMPARE(w.desktop.mailed.size(), 1);
    QCOMPARE(w.desktop.alerts,
             QStringList{QStringLiteral("请检查工资单|无法打开邮件程序。|知道了")});
}

void TestContentView::printing() {
    Window w;
    QTest::keyClick(&w.view, Qt::Key_P, Qt::ControlModifier); // invalid: disabled
    QVERIFY(w.desktop.printed.isEmpty() && w.desktop.alerts.isEmpty());
    w.load(PayrollDraft::sample());
    QTest::keyClick(&w.view, Qt::Key_P, Qt::ControlModifier); // cancelled: nothing sent or said
    QCOMPARE(w.desktop.printed, QStringList{QStringLiteral("dialog 1")});
    w.desktop.printAnswer = platform::PrintJob{QStringLiteral("Office"), {}, 1, {}, {}};
    w.view.printAction()->trigger();
    QCOMPARE(w.desktop.printed.last(), QStringLiteral("Office|%PDF-"));
    QVERIFY(w.desktop.alerts.isEmpty());
}

void TestContentView::openWithPreparesAFile() {
    Window w;
    w.load(PayrollDraft::sample());
    w.view.setStage(WorkflowStep::review);
    QPushButton *open = w.view.reviewPanel()->openWithButton();
    QVERIFY(open->isEnabled());
    QTest::mouseClick(open, Qt::LeftButton);
    QCOMPARE(w.desktop.opened.size(), 1);
    QVERIFY(QFileInfo::exists(w.desktop.opened[0]));
    QCOMPARE(modeOf(w.desktop.opened[0]), mode_t(0600));
    const ReviewPanel *panel = w.view.reviewPanel();
    QCOMPARE(panel->readinessTitle(), QStringLiteral("信息已齐全，可以导出"));
    QCOMPARE(panel->amounts(), QStringList({"$2,700.00", "$368.62", "$0.00", "$2,331.38"}));
    QCOMPARE(panel->currency(), QStringLiteral("CAD"));

    QTest::mouseClick(panel->previewButton(), Qt::LeftButton); // the full-window preview
    QDialog *sheet = w.view.fullPreview();
    QVERIFY(sheet && sheet->isVisible());
    QCOMPARE(sheet->windowTitle(), QStringLiteral("工资单预览"));
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    QPushButton *back = nullptr;
    for (QPushButton *b : sheet->findChildren<QPushButton *>())
        if (b->text() == QStringLiteral("返回填写")) back = b;
    QVERIFY(back);
    back->click();
    QVERIFY(!sheet->isVisible());
    QCOMPARE(w.view.stage(), WorkflowStep::review);
}

QTEST_MAIN(TestContentView)
#include "test_content_view.moc"
