// Renders the sample and a worst-case statement many times and prints, per case, the
// median and 95th percentile in milliseconds, the page count and the byte size.
// With --write DIR it also leaves sample.pdf and worst.pdf there for inspection.
#include "payroll/payroll_draft.h"
#include "statement_pdf/stub_pdf.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

namespace {

PayrollDraft worstCase() {
    PayrollDraft d = PayrollDraft::sample();
    d.a4 = true;
    d.earnings.clear();
    d.deductions.clear();
    d.reimbursements.clear();
    const QString longLabel = QStringLiteral("Statutory holiday premium for the evening shift "
                                             "夜班法定假日补贴 with retroactive adjustment");
    for (int i = 0; i < 30; ++i) {
        Earning e;
        e.label = longLabel + QString::number(i);
        e.hourly = i % 2 == 0;
        e.hours = QStringLiteral("99999.99");
        e.rate = QStringLiteral("9999.99");
        e.amount = QStringLiteral("999999999.99");
        e.ytd = QStringLiteral("999999999.99");
        d.earnings.append(e);
        d.deductions.append({QUuid::createUuid(), longLabel, QStringLiteral("999999999.99"),
                             QStringLiteral("999999999.99")});
        d.reimbursements.append({QUuid::createUuid(), longLabel, QStringLiteral("999999999.99")});
    }
    QString notes;
    while (notes.size() < 2000)
        notes += QStringLiteral("Overtime approved by the manager 加班已由经理批准，请核对。 ");
    d.notes = notes.left(2000);
    return d;
}

int pageCount(const QByteArray &pdf) {
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return int(QString::fromLatin1(pdf).count(page));
}

void measure(const char *name, const PayrollDraft &draft, int runs) {
    for (int i = 0; i < 5; ++i)
        StubPDF::make(draft); // warm up fonts and caches
    QList<double> ms;
    QByteArray pdf;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        pdf = StubPDF::make(draft);
        ms.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-7s median %.2f ms  p95 %.2f ms  pages %d  bytes %lld\n", name, ms[ms.size() / 2],
                ms[qsizetype(ms.size() * 0.95)], pageCount(pdf),
                static_cast<long long>(pdf.size()));
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("write"), QStringLiteral("Write the PDFs into <dir>."),
                      QStringLiteral("dir")});
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Renderings per case."),
                      QStringLiteral("n"), QStringLiteral("200")});
    parser.process(app);

    const PayrollDraft sample = PayrollDraft::sample();
    const PayrollDraft worst = worstCase();
    if (parser.isSet(QStringLiteral("write"))) {
        const QDir dir(parser.value(QStringLiteral("write")));
        for (const auto &[file, draft] :
             {std::pair{"sample.pdf", sample}, std::pair{"worst.pdf", worst}}) {
            QFile out(dir.filePath(QString::fromLatin1(file)));
            if (out.open(QIODevice::WriteOnly)) out.write(StubPDF::make(draft));
        }
    }
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    measure("sample", sample, runs);
    measure("worst", worst, runs);
    return 0;
}
