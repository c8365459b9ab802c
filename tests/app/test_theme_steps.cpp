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

bool sameColour(const QColor &c, float r, float g, float b) {
    return qAbs(c.redF() - r) < 0.003f && qAbs(c.greenF() - g) < 0.003f &&
           qAbs(c.blueF() - b) < 0.003f && c.alphaF() == 1.0f;
}

} // namespace

class TestThemeSteps : public QObject {
    Q_OBJECT
private slots:
    void colours();
    void textsAreReadable_data();
    void textsAreReadable();
    void openWidgetFollowsAppearance();
    void steps();
    void navigationSelectsAnyStep();
};

void TestThemeSteps::colours() {
    QVERIFY(sameColour(Theme::forest(), 33 / 255.0f, 75 / 255.0f, 65 / 255.0f));
    QVERIFY(sameColour(Theme::accent().resolve(lightPalette()), 0.13f, 0.29f, 0.25f));
    QVERIFY(sameColour(Theme::accent().resolve(darkPalette()), 0.64f, 0.86f, 0.73f));
    QVERIFY(sameColour(Theme::errorInk().resolve(lightPalette()), 0.63f, 0.17f, 0.12f));
    QVERIFY(sameColour(Theme::errorInk().resolve(darkPalette()), 1.0f, 0.66f, 0.6f));
    QPalette undecided;
    undecided.setColor(QPalette::Window, Qt::gray);
    undecided.setColor(QPalette::WindowText, Qt::gray);
    QVERIFY(!Theme::isDark(undecided)); // no clear answer: light
    QVERIFY(sameColour(Theme::accent().resolve(undecided), 0.13f, 0.29f, 0.25f));
}

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

void TestThemeSteps::openWidgetFollowsAppearance() {
    QApplication::setPalette(lightPalette());
    QWidget window;
    auto *label = new QLabel(QStringLiteral("x"), &window);
    QColor seen;
    Theme::follow(label, [&] { seen = Theme::errorInk().resolve(label->palette()); });
    window.show();
    QVERIFY(sameColour(seen, 0.63f, 0.17f, 0.12f));
    QApplication::setPalette(darkPalette());
    QApplication::processEvents();
    QVERIFY(sameColour(seen, 1.0f, 0.66f, 0.6f)); // recoloured without rebuilding
    QVERIFY(sameColour(Theme::forest(), 33 / 255.0f, 75 / 255.0f, 65 / 255.0f));
    QApplication::setPalette(lightPalette());
    QApplication::processEvents();
    QVERIFY(sameColour(seen, 0.63f, 0.17f, 0.12f));
}

void TestThemeSteps::steps() {
    QCOMPARE(Workflow::fromRawValue(0), std::nullopt);
    QCOMPARE(Workflow::fromRawValue(4), std::nullopt);
    QCOMPARE(Workflow::fromRawValue(1), std::optional(WorkflowStep::basic));
    QCOMPARE(Workflow::fromRawValue(3), std::optional(WorkflowStep::review));
    const QStringList titles = {"基本资料", "收入与扣款", "核对导出"};
    const QStringList guidance = {"先确认这张工资单属于谁", "把本期收入与扣款填清楚",
                                  "最后核对，再交付给员工"};
    for (int i = 0; i < 3; ++i) {
        const WorkflowStep step = Workflow::allCases[i];
        QCOMPARE(Workflow::rawValue(step), i + 1);
        QCOMPARE(Workflow::title(step), titles[i]);
        QCOMPARE(Workflow::guidance(step), guidance[i]);
        QCOMPARE(Workflow::headingLine(step), QStringLiteral("STEP 0%1 / 03").arg(i + 1));
    }
    QCOMPARE(Workflow::accessibleLabel(WorkflowStep::basic), QStringLiteral("第1步，基本资料"));
    StepHeading heading;
    heading.setStage(WorkflowStep::review);
    QCOMPARE(heading.lineText(), QStringLiteral("STEP 03 / 03"));
    QCOMPARE(heading.guidanceText(), QStringLiteral("最后核对，再交付给员工"));

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
