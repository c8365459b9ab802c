// Start-up and typing costs of the window, as printed figures (not a test):
//   start-up  process start to the first preview of the sample, median of 20 runs
//   keystroke one key typed into a 30-row draft: the form's own work, then the refresh
// Run it under xvfb-run or with QT_QPA_PLATFORM=offscreen.
#include "app/payroll_model.h"
#include "form/amount_field.h"
#include "form/item_list_section.h"
#include "form/line_item_editors.h"
#include "form/payroll_form.h"
#include "platform/freedesktop.h"
#include "window/content_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The child: a window showing the sample; prints once its first preview exists.
int startupChild(int argc, char **argv) {
    QApplication app(argc, argv);
    platform::FreedesktopDesktop desktop;
    ContentView view(&desktop);
    view.model()->setDraft(PayrollDraft::sample());
    view.form()->reload();
    view.show(); // the first rendering happens when the window is shown
    QTimer::singleShot(0, [&] {
        std::printf("ready %d\n", view.model()->pdf().isEmpty() ? 0 : 1);
        std::fflush(stdout);
        app.quit();
    });
    return app.exec();
}

PayrollDraft thirtyRows() {
    PayrollDraft d = PayrollDraft::sample();
    while (d.earnings.size() < 30) {
        Earning e = d.earnings.first();
        e.id = QUuid::createUuid();
        d.earnings.append(e);
    }
    while (d.deductions.size() < 30) {
        Deduction x = d.deductions.first();
        x.id = QUuid::createUuid();
        d.deductions.append(x);
    }
    return d;
}

} // namespace

int main(int argc, char **argv) {
    if (argc > 1 && !std::strcmp(argv[1], "--startup-child")) return startupChild(argc, argv);

    QList<double> startup;
    for (int run = 0; run < 20; ++run) {
        QProcess child;
        QElapsedTimer timer;
        timer.start();
        child.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--startup-child")});
        if (!child.waitForFinished(30000) || !child.readAllStandardOutput().startsWith("ready 1")) {
            std::fprintf(stderr, "start-up run %d failed\n", run);
            return 1;
        }
        startup.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("start-up to first preview: median %.1f ms over 20 runs\n", median(startup));

    QApplication app(argc, argv);
    platform::FreedesktopDesktop desktop;
    ContentView view(&desktop);
    view.show();
    view.model()->setDraft(thirtyRows());
    view.setStage(WorkflowStep::amounts);
    view.form()->reload();
    QApplication::processEvents();
    auto *editor = static_cast<EarningEditor *>(view.form()->earningsSection()->editors().at(15));
    QLineEdit *hours = editor->hoursField()->input();
    QList<double> form, refresh;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        hours->setText(QString::number(100 + i)); // what one keystroke does before the debounce
        form.append(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        view.model()->refresh(); // what runs 220 ms after the last keystroke
        refresh.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("keystroke on a 30-row draft: form %.1f ms, refresh %.1f ms (medians of 20)\n",
                median(form), median(refresh));
    return 0;
}
