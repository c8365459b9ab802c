#include "delivery/file_error.h"
#include "delivery/pdf_file.h"
#include "delivery/pdf_protection.h"
#include "delivery/pdf_share_payload.h"
#include "files.h"
#include "payroll/money.h"
#include "pdf_text.h"
#include "statement_pdf/stub_pdf.h"

#include <QBuffer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPdfDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

void writeBytes(const QString &path, const QByteArray &bytes) {
    QVERIFY(writeFile(path, bytes));
}

// What a call printed on stderr.
template <typename F> QByteArray stderrOf(F f) {
    std::fflush(stderr);
    const int saved = ::dup(2);
    QTemporaryFile capture;
    capture.open();
    ::dup2(capture.handle(), 2);
    f();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

} // namespace

class TestDelivery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void rootIsPerUser();
    void twoSharesOfOneDraft();
    void clearRemovesPreviousRoot();
    void unsafeRootsAreRefused_data();
    void unsafeRootsAreRefused();
    void saving();
    void runningInstanceKeepsItsFiles();
    void protectedStatements_data();
    void protectedStatements();
    void passwordRules();
    void swappedParentRedirectsNothing();

private:
    QByteArray m_systemTmp;
    std::unique_ptr<QTemporaryDir> m_scratch;
    QString m_runtime;
    QString m_tmp;
};

void TestDelivery::initTestCase() {
    m_systemTmp = qgetenv("TMPDIR");
}

// Each test gets its scratch folder in the system's temporary folder, not in the
// previous test's, and leaves nothing behind.
void TestDelivery::cleanup() {
    m_scratch.reset();
    if (m_systemTmp.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", m_systemTmp);
}

void TestDelivery::init() {
    m_scratch = std::make_unique<QTemporaryDir>();
    QVERIFY(m_scratch->isValid());
    m_runtime = m_scratch->filePath(QStringLiteral("run"));
    m_tmp = m_scratch->filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(m_runtime) && QDir().mkpath(m_tmp));
    ::chmod(QFile::encodeName(m_runtime).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
    qputenv("TMPDIR", QFile::encodeName(m_tmp));
}

void TestDelivery::rootIsPerUser() {
    QCOMPARE(PDFSharePayload::temporaryRoot(), m_runtime + QStringLiteral("/CorvaneSharedPDFs"));
    const QString fallback =
        QDir(m_tmp).filePath(QStringLiteral("CorvaneSharedPDFs-%1").arg(::geteuid()));
    ::chmod(QFile::encodeName(m_runtime).constData(), 0755); // not private: not used
    QCOMPARE(PDFSharePayload::temporaryRoot(), fallback);
    ::chmod(QFile::encodeName(m_runtime).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", "relative/run");
    QCOMPARE(PDFSharePayload::temporaryRoot(), fallback);
    qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(PDFSharePayload::temporaryRoot(), fallback);
}

void TestDelivery::twoSharesOfOneDraft() {
    try {
        PDFSharePayload::prepareFile(PayrollDraft());
        QFAIL("an invalid draft was shared");
    } catch (const PayrollError &e) {
        QCOMPARE(e.errorDescription(), QStringLiteral("请填写雇主名称。"));
    }
    QVERIFY(!QFileInfo::exists(PDFSharePayload::temporaryRoot()));

    const PayrollDraft sample = PayrollDraft::sample();
    const QString first = PDFSharePayload::prepareFile(sample);
    const QString second = PDFSharePayload{sample}.prepareFile();
    const QString name = QStringLiteral("Corvane_Velo Marrick_2026-06-01_2026-06-30.pdf");
    const QString root = PDFSharePayload::temporaryRoot();
    QCOMPARE(modeOf(root), mode_t(0700));
    for (const QString &path : {first, second}) {
        const QFileInfo info(path);
        QCOMPARE(info.fileName(), name);
        QCOMPARE(info.dir().absolutePath(), QDir(root).filePath(info.dir().dirName()));
        QVERIFY(!QUuid::fromString(info.dir().dirName()).isNull());
        QCOMPARE(modeOf(info.absolutePath()), mode_t(0700));
        QCOMPARE(modeOf(path), mode_t(0600));
        QCOMPARE(QDir(info.absolutePath())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{name}); // no temporary left behind
        QVERIFY(readPdf(contents(path))
                    .allLines()
                    .contains(QStringLiteral("FULL DEPOSIT NET PAYMENT $2,331.38")));
    }
    QVERIFY(QFileInfo(first).absolutePath() != QFileInfo(second).absolutePath());
}

void TestDelivery::clearRemovesPreviousRoot() {
    QCOMPARE(stderrOf([] { PDFSharePayload::clearPreviousSessionFiles(); }),
             QByteArray()); // none yet
    const QString path = PDFSharePayload::prepareFile(PayrollDraft::sample());
    const QString root = PDFSharePayload::temporaryRoot();
    // A link inside the root is removed, never followed.
    const QString outside = m_scratch->filePath(QStringLiteral("keep.txt"));
    writeBytes(outside, "keep");
    QVERIFY(QFile::link(m_scratch->path(), QDir(root).filePath(QStringLiteral("link"))));
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(stderrOf([] { PDFSharePayload::clearPreviousSessionFiles(); }), QByteArray());
    // Only the running instances' lock file stays.
    QCOMPARE(
        QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral(".instances")});
    QCOMPARE(modeOf(root), mode_t(0700));
    QCOMPARE(contents(outside), QByteArray("keep"));
}

void TestDelivery::unsafeRootsAreRefused_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("symlink") << QStringLiteral("symlink");
    QTest::newRow("open to others") << QStringLiteral("mode");
    QTest::newRow("plain file") << QStringLiteral("file");
}

void TestDelivery::unsafeRootsAreRefused() {
    QFETCH(QString, kind);
    const QString root = PDFSharePayload::temporaryRoot();
    const QString elsewhere = m_scratch->filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    writeBytes(QDir(elsewhere).filePath(QStringLiteral("precious.txt")), "precious");
    QString inside;
    if (kind == QStringLiteral("symlink")) {
        QVERIFY(QFile::link(elsewhere, root));
        inside = QDir(elsewhere).filePath(QStringLiteral("precious.txt"));
    } else if (kind == QStringLiteral("mode")) {
        QVERIFY(QDir().mkdir(root));
        ::chmod(QFile::encodeName(root).constData(), 0755);
        inside = QDir(root).filePath(QStringLiteral("planted.txt"));
        writeBytes(inside, "precious");
    } else {
        writeBytes(root, "precious");
        inside = root;
    }
    const QByteArray printed = stderrOf([] { PDFSharePayload::clearPreviousSessionFiles(); });
    QVERIFY(printed.startsWith("corvane: not removing"));
    QCOMPARE(printed.count('\n'), 1);
    QCOMPARE(contents(inside), QByteArray("precious"));
    try {
        PDFSharePayload::prepareFile(PayrollDraft::sample());
        QFAIL("a file was shared into an unsafe root");
    } catch (const FileError &e) {
        // It names the folder, its owner and a way out.
        const QString message = e.errorDescription();
        QVERIFY2(message.contains(root) && message.contains(QStringLiteral("所有者：root")) &&
                     message.contains(QStringLiteral("XDG_RUNTIME_DIR")),
                 qPrintable(message));
    }
    QCOMPARE(QDir(elsewhere).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("precious.txt")});
    QDirIterator written(m_scratch->path(), {QStringLiteral("*.pdf")}, QDir::Files,
                         QDirIterator::Subdirectories);
    QVERIFY(!written.hasNext()); // nothing was shared anywhere
}

void TestDelivery::saving() {
    const QString path = m_scratch->filePath(QStringLiteral("saved.pdf"));
    QByteArray bytes(300000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(qint64(i) * 7919 % 251);
    writeBytes(path, "an older statement");
    PDFFile{bytes}.write(path);
    QCOMPARE(contents(path), bytes);
    QCOMPARE(PDFFile::read(path).data, bytes);
    QCOMPARE(PDFFile::read(m_scratch->path()).data, QByteArray()); // a folder reads as nothing
    QCOMPARE(PDFFile::read(m_scratch->filePath(QStringLiteral("absent"))).data, QByteArray());
    const QString missing = m_scratch->filePath(QStringLiteral("no/such/folder/x.pdf"));
    QVERIFY_THROWS_EXCEPTION(FileError, PDFFile{"%PDF"}.write(missing));
    QVERIFY(!QFileInfo::exists(missing));

    const QString notAFolder = m_scratch->filePath(QStringLiteral("plain"));
    writeBytes(notAFolder, "x");
    QVERIFY_THROWS_EXCEPTION(FileError,
                             PDFFile{"%PDF"}.write(notAFolder + QStringLiteral("/x.pdf")));

    // A write that fails half-way (the file-size limit stands in for a full disk,
    // and works even for root) leaves the file that was there byte-identical.
    const QString existing = m_scratch->filePath(QStringLiteral("existing.pdf"));
    writeBytes(existing, "the statement saved last week");
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    QString message;
    try {
        PDFFile{QByteArray(100000, 'x')}.write(existing);
    } catch (const FileError &e) {
        message = e.errorDescription();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    // The system's own reason, not the one Qt substitutes when the write is cancelled.
    QVERIFY2(message.startsWith(QStringLiteral("无法保存")) &&
                 message.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))),
             qPrintable(message));
    QCOMPARE(contents(existing), QByteArray("the statement saved last week"));
    QCOMPARE(QDir(m_scratch->path())
                 .entryList(QDir::Files | QDir::Hidden)
                 .filter(QStringLiteral("existing")),
             QStringList{QStringLiteral("existing.pdf")}); // no partial file left
}

namespace {

// What a command printed, and whether it succeeded.
QPair<bool, QString> run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
            QString::fromUtf8(process.readAll())};
}

} // namespace

void TestDelivery::protectedStatements_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("letters") << QStringLiteral("abcdef");
    QTest::newRow("chinese") << QStringLiteral("工资2026密码");
    QTest::newRow("with a space") << QStringLiteral("pay day 7");
}

void TestDelivery::protectedStatements() {
    QFETCH(QString, password);
    const QByteArray plain = StubPDF::make(PayrollDraft::sample());
    const QByteArray locked = PdfProtection::encrypt(plain, password);
    QVERIFY(locked != PdfProtection::encrypt(plain, password)); // random salt, IV and ID
    const QString path = m_scratch->filePath(QStringLiteral("locked.pdf"));
    writeBytes(path, locked);
    const auto shown = run(QStringLiteral("qpdf"),
                           {QStringLiteral("--show-encryption"), "--password=" + password, path});
    QVERIFY2(shown.first, qPrintable(shown.second));
    for (const char *line :
         {"R = 6", "stream encryption method: AESv3", "string encryption method: AESv3",
          "Supplied password is user password", "print high resolution: allowed",
          "extract for any purpose: allowed", "modify other: not allowed"})
        QVERIFY2(shown.second.contains(QLatin1String(line)), line);
    QVERIFY(!run(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}).first);
    const auto text =
        run(QStringLiteral("pdftotext"), {"-upw", password, path, QStringLiteral("-")});
    QVERIFY(text.first);
    QVERIFY(text.second.contains(QStringLiteral("Velo Marrick")));
    QVERIFY(text.second.contains(QStringLiteral("NET PAYMENT $2,331.38")));

    // The viewer the window uses opens it only with the password.
    QBuffer buffer(const_cast<QByteArray *>(&locked));
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    QVERIFY(document.status() != QPdfDocument::Status::Ready);
    document.setPassword(password);
    buffer.seek(0);
    document.load(&buffer);
    QCOMPARE(document.status(), QPdfDocument::Status::Ready);
    QCOMPARE(document.pageCount(), 1);
}

void TestDelivery::passwordRules() {
    using namespace PdfProtection;
    QCOMPARE(passwordIssue(QString()), std::nullopt); // no protection
    QCOMPARE(passwordIssue(QStringLiteral("abcde")),
             std::optional<QString>(QStringLiteral("密码至少需要 6 个字符。")));
    QCOMPARE(passwordIssue(QStringLiteral("工资工资工资")), std::nullopt);
    // Counted as a person sees them: five flags are five characters, not ten.
    QVERIFY(passwordIssue(QStringLiteral("\U0001F1E8\U0001F1E6").repeated(5)));
    QCOMPARE(problem(QStringLiteral("abcdef"), QStringLiteral("abcdeF")),
             std::optional<QString>(QStringLiteral("两次输入的密码不一致。")));
    QCOMPARE(problem(QStringLiteral("abc"), QStringLiteral("xyz")),
             passwordIssue(QStringLiteral("abc")));
    QCOMPARE(problem(QStringLiteral("abcdef"), QStringLiteral("abcdef")), std::nullopt);
    for (const QByteArray &bytes :
         {QByteArray("hello"), QByteArray("%PDF-1.7 broken"), QByteArray()})
        QVERIFY_THROWS_EXCEPTION(PayrollError, encrypt(bytes, QStringLiteral("abcdef")));
}

// Another instance, started by the test: shares the sample, prints the file's path and
// lives until its standard input closes.
void TestDelivery::runningInstanceKeepsItsFiles() {
    QProcess other;
    other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-instance")});
    QVERIFY(other.waitForReadyRead(20000));
    const QString path = QString::fromLocal8Bit(other.readLine().trimmed());
    QVERIFY(path.startsWith(PDFSharePayload::temporaryRoot()));
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(stderrOf([] { PDFSharePayload::clearPreviousSessionFiles(); }), QByteArray());
    QVERIFY(QFileInfo::exists(path)); // still in use: not removed
    other.closeWriteChannel();
    QVERIFY(other.waitForFinished(20000));
    PDFSharePayload::clearPreviousSessionFiles();
    QVERIFY(!QFileInfo::exists(path)); // its instance has ended
}

// A parent of the root is swapped for a link to a folder that looks like a root, over and
// over, while the clean-up and shares run: nothing there is removed or written.
void TestDelivery::swappedParentRedirectsNothing() {
    const QString base = m_scratch->filePath(QStringLiteral("base"));
    const QString moved = m_scratch->filePath(QStringLiteral("base.real"));
    const QString canary = m_scratch->filePath(QStringLiteral("canary"));
    const QString canaryRoot = canary + QStringLiteral("/run/CorvaneSharedPDFs");
    for (const QString &folder :
         {base + QStringLiteral("/run"), canaryRoot + QStringLiteral("/old")})
        QVERIFY(QDir().mkpath(folder));
    for (const QString &folder : {base + QStringLiteral("/run"), canary + QStringLiteral("/run"),
                                  canaryRoot, canaryRoot + QStringLiteral("/old")})
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    writeBytes(canaryRoot + QStringLiteral("/old/precious.pdf"), "precious");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base + QStringLiteral("/run")));

    std::atomic<bool> done = false;
    std::thread swapper([&] {
        const QByteArray b = QFile::encodeName(base), m = QFile::encodeName(moved),
                         c = QFile::encodeName(canary);
        while (!done) {
            ::rename(b.constData(), m.constData());
            ::symlink(c.constData(), b.constData());
            std::this_thread::yield();
            ::unlink(b.constData());
            ::rename(m.constData(), b.constData());
        }
    });
    QElapsedTimer timer;
    timer.start();
    int shared = 0;
    while (timer.elapsed() < 3000) {
        stderrOf([] { PDFSharePayload::clearPreviousSessionFiles(); });
        try {
            PDFSharePayload::prepareFile(PayrollDraft::sample());
            ++shared;
        } catch (const FileError &) {
        }
    }
    done = true;
    swapper.join();
    QCOMPARE(contents(canaryRoot + QStringLiteral("/old/precious.pdf")), QByteArray("precious"));
    QDirIterator it(canary, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList found;
    while (it.hasNext())
        found.append(it.next().mid(canary.size()));
    found.sort();
    QCOMPARE(found, QStringList({"/run", "/run/CorvaneSharedPDFs", "/run/CorvaneSharedPDFs/old",
                                 "/run/CorvaneSharedPDFs/old/precious.pdf"}));
    qInfo("%d of the shares went through", shared);
}

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    if (argc == 2 && !std::strcmp(argv[1], "--hold-instance")) {
        PDFSharePayload::clearPreviousSessionFiles();
        std::printf("%s\n", qPrintable(PDFSharePayload::prepareFile(PayrollDraft::sample())));
        std::fflush(stdout);
        char c;
        while (::read(0, &c, 1) > 0) {
        }
        return 0;
    }
    TestDelivery test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_delivery.moc"
