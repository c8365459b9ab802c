#include "message_of.h"
#include "payroll/money.h"

#include <QtTest>

namespace {

const QString kComma = QStringLiteral("请去掉 $ 和千位逗号，例如输入 1234.56。");
const QString kGrammar =
    QStringLiteral("金额与工时须为非负数字，最多两位小数，不能超过 999,999,999.99。");
const QString kHours = QStringLiteral("工时不能超过 99,999.99。");
const QString kProduct = QStringLiteral("单项收入金额过大，请检查工时和时薪。");

} // namespace

class TestMoney : public QObject {
    Q_OBJECT
private slots:
    void cents_data();
    void cents();
    void hours_data();
    void hours();
    void string_data();
    void string();
    void plain_data();
    void plain();
    void trimming();
};

void TestMoney::cents_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("message");
    const auto ok = [](const char *name, const QString &text, qint64 cents) {
        QTest::newRow(name) << text << cents << QString();
    };
    const auto bad = [](const char *name, const QString &text, const QString &message) {
        QTest::newRow(name) << text << qint64(0) << message;
    };
    ok("padded", QStringLiteral("  12.5\n"), 1250);
    ok("spaces", QStringLiteral("   "), 0);
    ok("point without fraction", QStringLiteral("12."), 1200);
    ok("one fraction digit", QStringLiteral("0.07"), 7);
    ok("maximum", QStringLiteral("999999999.99"), 99'999'999'999);
    ok("thousand leading zeros", QString(1000, u'0') + u'1', 100);
    bad("no integer part", QStringLiteral(".5"), kGrammar);
    bad("three fraction digits", QStringLiteral("1.234"), kGrammar);
    bad("minus", QStringLiteral("-5"), kGrammar);
    bad("exponent", QStringLiteral("1e3"), kGrammar);
    bad("inner space", QStringLiteral("1 000"), kGrammar);
    bad("just past maximum", QStringLiteral("1000000000"), kGrammar);
    bad("full-width digits", QStringLiteral("\uFF11\uFF12"), kGrammar);
    bad("inner NUL", QStringLiteral("1") + QChar(0) + QStringLiteral("2"), kGrammar);
    bad("lone surrogate", QStringLiteral("5") + QChar(0xD800), kGrammar);
    bad("comma", QStringLiteral("1,000"), kComma);
    bad("dollar", QStringLiteral("$5"), kComma);
    bad("comma before grammar", QStringLiteral("-$5"), kComma);
}

void TestMoney::cents() {
    QFETCH(QString, text);
    QFETCH(qint64, cents);
    QFETCH(QString, message);
    qint64 got = -1;
    QCOMPARE(messageOf([&] { got = Money::cents(text); }), message);
    QCOMPARE(Money::readableCents(text), message.isEmpty() ? std::optional(cents) : std::nullopt);
    if (message.isEmpty()) QCOMPARE(got, cents);
}

void TestMoney::hours_data() {
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, const char *h, const char *r, qint64 c, QString m) {
        QTest::newRow(name) << QString::fromUtf8(h) << QString::fromUtf8(r) << c << m;
    };
    row("rounds a half-cent up", "1.25", "10.01", 1251, {});
    row("half a cent", "0.5", "0.01", 1, {});
    row("blank rate", "40", " ", 0, {});
    row("hours at limit", "99999.99", "1", 9'999'999, {});
    row("hours past limit before bad rate", "100000", "abc", 0, kHours);
    row("bad hours before rate", "abc", "xyz", 0, kGrammar);
    row("bad rate", "10", "abc", 0, kGrammar);
    row("rate with comma", "10", "1,000", 0, kComma);
    row("product at limit", "1", "999999999.99", 99'999'999'999, {});
    row("product one cent past limit", "1.01", "990099009.91", 0, kProduct);
}

void TestMoney::hours() {
    QFETCH(QString, hours);
    QFETCH(QString, rate);
    QFETCH(qint64, cents);
    QFETCH(QString, message);
    qint64 got = -1;
    QCOMPARE(messageOf([&] { got = Money::hours(hours, rate); }), message);
    QCOMPARE(Money::readableHours(hours, rate),
             message.isEmpty() ? std::optional(cents) : std::nullopt);
    if (message.isEmpty()) QCOMPARE(got, cents);
}

void TestMoney::string_data() {
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("text");
    QTest::newRow("five cents") << qint64(5) << QStringLiteral("$0.05");
    QTest::newRow("grouped") << qint64(123456) << QStringLiteral("$1,234.56");
    QTest::newRow("negative") << qint64(-250000) << QStringLiteral("-$2,500.00");
    QTest::newRow("minus a cent") << qint64(-1) << QStringLiteral("-$0.01");
    QTest::newRow("three digit group") << qint64(99999) << QStringLiteral("$999.99");
    QTest::newRow("smallest qint64")
        << std::numeric_limits<qint64>::min() << QStringLiteral("-$92,233,720,368,547,758.08");
}

void TestMoney::string() {
    QFETCH(qint64, cents);
    QFETCH(QString, text);
    QCOMPARE(Money::string(cents), text);
}

void TestMoney::plain_data() {
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("text");
    QTest::newRow("one fraction digit") << qint64(1250) << QStringLiteral("12.5");
    QTest::newRow("whole") << qint64(120000) << QStringLiteral("1200");
    QTest::newRow("cents only") << qint64(7) << QStringLiteral("0.07");
    QTest::newRow("zero") << qint64(0) << QStringLiteral("0");
}

void TestMoney::plain() {
    QFETCH(qint64, cents);
    QFETCH(QString, text);
    QCOMPARE(Money::plain(cents), text);
    QCOMPARE(Money::cents(text), cents); // what plain writes reads back as the same amount
    QCOMPARE(Money::plain(-cents), cents ? u'-' + text : text); // and keeps a sign
}

void TestMoney::trimming() {
    QCOMPARE(Money::trimmed(QStringLiteral("\u00A0\u2028 a b\u3000\r\n")), QStringLiteral("a b"));
    QCOMPARE(Money::trimmed(QStringLiteral("\u200Bx")), QStringLiteral("\u200Bx")); // Cf, not Z
    QVERIFY(Money::isBlank(QStringLiteral("\u0009\u000B\u000C\u0085\u2029")));
    QVERIFY(!Money::isBlank(QStringLiteral(" . ")));
}

QTEST_APPLESS_MAIN(TestMoney)
#include "test_money.moc"
