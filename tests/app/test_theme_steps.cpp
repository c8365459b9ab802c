#include "app/field_errors.h"
#include "app/step_navigation.h"
#include "app/theme.h"
#include "app/workflow_step.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

namespace {

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(30, 30, 30));
    p.setColor(QPalette::WindowText, QColor(235, 235, 235));
    return p;
}

QPalette lightPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(240, 240, 240));
    p.setColor(QPalette::WindowText, QColor(20, 20, 20));
    return p;
}

} // namespace

class TestThemeSteps : public QObject {
    Q_OBJECT
private slots:
    void textsAreReadable_data();
    void textsAreReadable();
    void openWidgetFollowsAppearance();
    void steps();
    void navigationSelectsAnyStep();
};

void TestThemeSteps::textsAreReadable_data() {
    QTest::addColumn<QPalette>("palette");
    QPalette light;
    light.setColor(QPalette::Window, QColor(239, 239, 239));
    light.setColor(QPalette::WindowText, Qt::black);
    light.setColor(QPalette::Base, Qt::white);
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(42, 42, 42));
    QTest::newRow("light") << light;
    QTest::newRow("dark") << dark;
    QPalette darker = darkPalette();
    darker.setColor(QPalette::Base, QColor(20, 20, 20));
    QTest::newRow("darker") << darker;
}

// Every text meets the WCAG AA ratio against the background it is drawn on.
void TestThemeSteps::textsAreReadable() {
    QFETCH(QPalette, palette);
    const auto pairs = Theme::textsOnBackgrounds(palette);
    QVERIFY(pairs.size() >= 8);
    for (const Theme::TextOnBackground &pair : pairs) {
        const qreal ratio = Theme::contrast(pair.text, pair.background);
        QVERIFY2(ratio >= (pair.large ? 3.0 : 4.5),
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(pair.what)).arg(ratio)));
    }
    // The measure itself: black on white is 21, a colour on itself 1.
    QCOMPARE(qRound(Theme::contrast(Qt::black, Qt::white)), 21);
    QCOMPARE(Theme::contrast(Theme::orange(), Theme::orange()), 1.0);
}

// An open widget is recoloured when the desktop switches between light and dark; a palette
// with no clear answer counts as light.
void TestThemeSteps::openWidgetFollowsAppearance() {
    const QColor light = Theme::errorInk().resolve(lightPalette());
    const QColor dark = Theme::errorInk().resolve(darkPalette());
    QVERIFY(light != dark);
    QPalette undecided;
    undecided.setColor(QPalette::Window, Qt::gray);
    undecided.setColor(QPalette::WindowText, Qt::gray);
    QCOMPARE(Theme::errorInk().resolve(undecided), light);

    QApplication::setPalette(lightPalette());
    QWidget window;
    auto *label = new QLabel(QStringLiteral("x"), &window);
    QColor seen;
    Theme::follow(label, [&] { seen = Theme::errorInk().resolve(label->palette()); });
    window.show();
    QCOMPARE(seen, light);
    QApplication::setPalette(darkPalette());
    QApplication::processEvents();
    QCOMPARE(seen, dark);
    QApplication::setPalette(lightPalette());
    QApplication::processEvents();
    QCOMPARE(seen, light);
}

void TestThemeSteps::steps() {
    QCOMPARE(Workflow::fromRawValue(0), std::nullopt);
    QCOMPARE(Workflow::fromRawValue(4), std::nullopt);
    for (WorkflowStep step : Workflow::allCases)
        QCOMPARE(Workflow::fromRawValue(Workflow::rawValue(step)), std::optional(step));
    StepHeading heading;
    heading.setStage(WorkflowStep::review);
    QCOMPARE(heading.lineText(), QStringLiteral("STEP 03 / 03"));

    // What blocks moving on: the basics from the first step, everything from the second.
    PayrollDraft d = PayrollDraft::sample();
    QCOMPARE(Workflow::blockingProblem(WorkflowStep::amounts, d), std::nullopt);
    QCOMPARE(Workflow::editingStep(d), WorkflowStep::amounts);
    d.earnings[0].hours = QStringLiteral("x");
    QCOMPARE(Workflow::blockingProblem(WorkflowStep::basic, d), std::nullopt);
    QVERIFY(Workflow::blockingProblem(WorkflowStep::amounts, d));
    QCOMPARE(Workflow::editingStep(d), WorkflowStep::amounts);
    d.end = QDate(2026, 5, 1);
    QCOMPARE(Workflow::blockingProblem(WorkflowStep::basic, d),
             std::optional<QString>(QStringLiteral("周期结束日期不能早于开始日期。")));
    QCOMPARE(Workflow::editingStep(d), WorkflowStep::basic);
    QCOMPARE(Workflow::blockingProblem(WorkflowStep::review, d), std::nullopt);
}

void TestThemeSteps::navigationSelectsAnyStep() {
    StepNavigation nav;
    nav.show();
    QSignalSpy selected(&nav, &StepNavigation::stageSelected);
    const auto marked = [&nav] {
        QList<WorkflowStep> current;
        for (WorkflowStep s : Workflow::allCases)
            if (nav.button(s)->isChecked()) current.append(s);
        return current;
    };
    QCOMPARE(marked(), QList<WorkflowStep>{WorkflowStep::basic});
    QTest::mouseClick(nav.button(WorkflowStep::review), Qt::LeftButton);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.last().at(0).value<WorkflowStep>(), WorkflowStep::review);
    QCOMPARE(marked(), QList<WorkflowStep>{WorkflowStep::review});
    QTest::mouseClick(nav.button(WorkflowStep::review), Qt::LeftButton); // the current one again
    QCOMPARE(marked(), QList<WorkflowStep>{WorkflowStep::review});
    QCOMPARE(nav.button(WorkflowStep::amounts)->accessibleName(),
             QStringLiteral("第2步，收入与扣款"));
}

QTEST_MAIN(TestThemeSteps)
#include "test_theme_steps.moc"
