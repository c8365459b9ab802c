#include "app/field_errors.h"
#include "app/step_navigation.h"
#include "app/theme.h"
#include "app/workflow_step.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

namespace {

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

class TestThemeSteps : public QObject {
    Q_OBJECT
private slots:
    void textsAreReadable_data();
    void textsAreReadable();
    void openWidgetFollowsAppearance();
    void steps();
};

void TestThemeSteps::textsAreReadable_data() {
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("light") << light;
    QTest::newRow("dark") << dark;
    QTest::newRow("darker") << palette(QColor(30, 30, 30), QColor(235, 235, 235),
                                       QColor(20, 20, 20));
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
    const QColor lightInk = Theme::errorInk().resolve(light);
    const QColor darkInk = Theme::errorInk().resolve(dark);
    QVERIFY(lightInk != darkInk);
    QPalette undecided;
    undecided.setColor(QPalette::Window, Qt::gray);
    undecided.setColor(QPalette::WindowText, Qt::gray);
    QCOMPARE(Theme::errorInk().resolve(undecided), lightInk);

    QApplication::setPalette(light);
    QWidget window;
    auto *label = new QLabel(QStringLiteral("x"), &window);
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

QTEST_MAIN(TestThemeSteps)
#include "test_theme_steps.moc"
