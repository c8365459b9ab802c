#include "app/accessible_events.h"
#include "app/field_errors.h"
#include "app/line_edit_accessible.h"
#include "app/step_navigation.h"
#include "app/theme.h"
#include "app/workflow_step.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

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
    void textsAreReadable();
    void openWidgetFollowsAppearance();
    void steps();
    void passwordNeverLeaves();
    void caretNewsFollowsToldFocus();
};

// Every text meets the WCAG AA ratio against the background it is drawn on, in light, dark
// and darker palettes.
void TestThemeSteps::textsAreReadable() {
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

void TestThemeSteps::steps() {
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
void TestThemeSteps::passwordNeverLeaves() {
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
void TestThemeSteps::caretNewsFollowsToldFocus() {
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

QTEST_MAIN(TestThemeSteps)
#include "test_theme_steps.moc"
