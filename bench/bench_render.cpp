// Renders the sample and a worst-case statement many times and prints, per case, the
// median and 95th percentile in milliseconds, the page count and the byte size; then
// ReportLab's time for the same sample page, drawn in alternating batches, and the
// ratios. Figures, not a test.
// With --write DIR it also leaves sample.pdf and worst.pdf there for inspection.
#include "payroll/payroll_draft.h"
#include "statement_pdf/stub_pdf.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPdfDocument>
#include <QProcess>

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
    QBuffer buffer;
    buffer.setData(pdf);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    return document.pageCount();
}

QList<double> timings(const PayrollDraft &draft, int runs, QByteArray *pdf) {
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        *pdf = StubPDF::make(draft);
        ms.append(double(timer.nsecsElapsed()) / 1e6);
    }
    return ms;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

double p95(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[qsizetype(values.size() * 0.95)];
}

// The peer: ReportLab drawing the same page, in a process of its own that answers each
// request for a batch of drawings with their times.
class Peer {
public:
    Peer() {
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral(CORVANE_BENCH_DIR "/reportlab_sample.py")});
        m_ok = m_process.waitForStarted(10000);
    }
    ~Peer() {
        m_process.closeWriteChannel();
        m_process.waitForFinished(10000);
    }
    bool ok() const { return m_ok; }
    QList<double> batch(int runs) {
        m_process.write(QByteArray::number(runs) + '\n');
        QList<double> ms;
        while (m_process.waitForReadyRead(60000) || m_process.canReadLine()) {
            if (!m_process.canReadLine()) continue;
            for (const QByteArray &t : m_process.readLine().trimmed().split(' '))
                if (!t.isEmpty()) ms.append(t.toDouble());
            break;
        }
        return ms;
    }

private:
    QProcess m_process;
    bool m_ok = false;
};

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
    const int runs = std::max(10, parser.value(QStringLiteral("runs")).toInt());
    // Warm fonts and caches on both sides, then alternate batches so that whatever
    // else the machine does weighs on both alike.
    QByteArray pdf;
    timings(sample, 5, &pdf);
    timings(worst, 5, &pdf);
    Peer peer;
    if (peer.ok()) peer.batch(5);
    QList<double> ours, theirs, worstTimes;
    for (int round = 0; round < 10; ++round) {
        ours += timings(sample, runs / 10, &pdf);
        if (peer.ok()) theirs += peer.batch(runs / 10);
    }
    const qsizetype sampleBytes = StubPDF::make(sample).size();
    worstTimes = timings(worst, runs, &pdf);
    std::printf("sample  median %.2f ms  p95 %.2f ms  pages %d  bytes %lld\n", median(ours),
                p95(ours), pageCount(StubPDF::make(sample)), static_cast<long long>(sampleBytes));
    std::printf("worst   median %.2f ms  p95 %.2f ms  pages %d  bytes %lld\n", median(worstTimes),
                p95(worstTimes), pageCount(pdf), static_cast<long long>(pdf.size()));
    if (theirs.isEmpty()) {
        std::printf("peer    ReportLab not found (python3-reportlab): no ratios\n");
        return 0;
    }
    std::printf("peer    ReportLab sample median %.2f ms\n", median(theirs));
    std::printf("ratio   sample %.2f x ReportLab's sample  (aim <= 1.0, next 0.5)\n",
                median(ours) / median(theirs));
    std::printf("ratio   worst  %.2f x ReportLab's sample  (aim <= 6)\n",
                median(worstTimes) / median(theirs));
    return 0;
}
