#include "delivery/file_error.h"
#include "delivery/pdf_file.h"
#include "delivery/pdf_protection.h"
#include "delivery/pdf_share_payload.h"
#include "files.h"
#include "message_of.h"
#include "pdf_text.h"
#include "programs.h"
#include "statement_pdf/stub_pdf.h"

#include <QGuiApplication>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <pwd.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Empties the share root as a start does; gives what that printed on stderr.
QByteArray clearPrevious() {
    std::fflush(stderr);
    const int saved = ::dup(2);
    QTemporaryFile capture;
    capture.open();
    ::dup2(capture.handle(), 2);
    PDFSharePayload::clearPreviousSessionFiles();
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
    void init();
    void sharing();
    void unsafeRootsAreRefused();
    void saving();
    void runningInstanceKeepsItsFiles();
    void protectedStatements();
    void swappedParentRedirectsNothing();

private:
    QTemporaryDir m_base; // in the system's temporary folder, made before TMPDIR moves
    std::unique_ptr<QTemporaryDir> m_scratch;
    QString m_runtime, m_tmp;
};

// Each test gets fresh runtime and temporary folders of its own.
void TestDelivery::init() {
    m_scratch = std::make_unique<QTemporaryDir>(m_base.filePath(u"XXXXXX"_s));
    m_runtime = m_scratch->filePath(u"run"_s);
    m_tmp = m_scratch->filePath(u"tmp"_s);
    QVERIFY(m_scratch->isValid() && QDir().mkpath(m_runtime) && QDir().mkpath(m_tmp));
    ::chmod(QFile::encodeName(m_runtime).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
    qputenv("TMPDIR", QFile::encodeName(m_tmp));
}

void TestDelivery::sharing() {
    QVERIFY(!messageOf([] { PDFSharePayload::prepareFile(PayrollDraft()); }).isEmpty());
    QVERIFY(!QFileInfo::exists(PDFSharePayload::temporaryRoot())); // nothing written
    QCOMPARE(clearPrevious(), QByteArray());                       // none yet
    // Two shares of one draft: each in a folder of its own, private, with nothing else.
    const QString first = PDFSharePayload::prepareFile(PayrollDraft::sample());
    const QString second = PDFSharePayload{PayrollDraft::sample()}.prepareFile();
    const QString root = PDFSharePayload::temporaryRoot();
    QCOMPARE(root, m_runtime + u"/CorvaneSharedPDFs"_s);
    QCOMPARE(modeOf(root), mode_t(0700));
    QVERIFY(QFileInfo(first).absolutePath() != QFileInfo(second).absolutePath());
    for (const QString &path : {first, second}) {
        const QFileInfo info(path);
        QCOMPARE(info.dir().absolutePath(), QDir(root).filePath(info.dir().dirName()));
        QVERIFY(!QUuid::fromString(info.dir().dirName()).isNull());
        QCOMPARE(modeOf(info.absolutePath()), mode_t(0700));
        QCOMPARE(modeOf(path), mode_t(0600));
        QCOMPARE(filesBelow(info.absolutePath()),
                 QStringList{u"Corvane_Velo Marrick_2026-06-01_2026-06-30.pdf"_s});
        QVERIFY(readPdf(contents(path)).allLines().contains("FULL DEPOSIT NET PAYMENT $2,331.38"));
    }
    // The next start empties the root; a link inside it is removed, never followed.
    const QString outside = m_scratch->filePath(u"keep.txt"_s);
    QVERIFY(writeFile(outside, "keep"));
    QVERIFY(QFile::link(m_scratch->path(), QDir(root).filePath(u"link"_s)));
    QCOMPARE(clearPrevious(), QByteArray());
    QCOMPARE(filesBelow(root), QStringList{u".instances"_s});
    QCOMPARE(contents(outside), QByteArray("keep"));
    // The root is in the runtime folder only while that is private and reached unlinked.
    const QString fallback = QDir(m_tmp).filePath(u"CorvaneSharedPDFs-%1"_s.arg(::geteuid()));
    ::chmod(QFile::encodeName(m_runtime).constData(), 0755); // not private: not used
    QCOMPARE(PDFSharePayload::temporaryRoot(), fallback);
    ::chmod(QFile::encodeName(m_runtime).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", "relative/run");
    QCOMPARE(PDFSharePayload::temporaryRoot(), fallback);
    // Below a symlinked folder: the fallback, and a share goes through.
    QVERIFY(QFile::link(m_scratch->path(), m_scratch->filePath(u"link"_s)));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_scratch->filePath(u"link/run"_s)));
    QCOMPARE(PDFSharePayload::temporaryRoot(), fallback);
    QVERIFY(PDFSharePayload::prepareFile(PayrollDraft::sample()).startsWith(fallback));
}

// A root that is a link, open to others or a plain file is neither emptied nor used; the
// message names the folder, its owner and a way out.
void TestDelivery::unsafeRootsAreRefused() {
    const QString owner = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    for (const QString kind : {"symlink", "mode", "file"}) {
        const QString runtime = m_scratch->filePath(kind), elsewhere = runtime + u"/elsewhere"_s;
        QVERIFY(writeFile(elsewhere + u"/precious.txt"_s, "precious"));
        ::chmod(QFile::encodeName(runtime).constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        const QString root = PDFSharePayload::temporaryRoot();
        QString inside = root; // what must survive
        if (kind == u"symlink"_s) {
            QVERIFY(QFile::link(elsewhere, root));
            inside = elsewhere + u"/precious.txt"_s;
        } else if (kind == u"mode"_s) {
            inside = root + u"/planted.txt"_s;
            QVERIFY(writeFile(inside, "precious"));
            ::chmod(QFile::encodeName(root).constData(), 0755);
        } else {
            QVERIFY(writeFile(root, "precious"));
        }
        const QByteArray printed = clearPrevious();
        QVERIFY2(printed.startsWith("corvane: not removing") && printed.count('\n') == 1 &&
                     contents(inside) == "precious",
                 qPrintable(kind));
        const QString message =
            messageOf<FileError>([] { PDFSharePayload::prepareFile(PayrollDraft::sample()); });
        QVERIFY2(message.contains(root) && message.contains(u"所有者："_s + owner) &&
                     message.contains(u"XDG_RUNTIME_DIR"_s),
                 qPrintable(message));
    }
    QCOMPARE(filesBelow(m_scratch->path()).filter(u".pdf"_s), QStringList()); // shared nowhere
}

void TestDelivery::saving() {
    const QString path = m_scratch->filePath(u"saved.pdf"_s);
    const QByteArray older = StubPDF::make(PayrollDraft::sample());
    PDFFile{older}.write(path);
    QVERIFY_THROWS_EXCEPTION(FileError, PDFFile{"%PDF"}.write(path + u"/x.pdf"_s));
    // A statement (under 16 KiB: one write buffer) on a disk that fills half-way, as the
    // file-size limit does even for root: the file that was there stays byte-identical.
    PayrollDraft next = PayrollDraft::sample();
    next.employee = u"Another Person"_s;
    const QByteArray statement = StubPDF::make(next);
    QVERIFY(statement.size() > 8192 && statement.size() < 16384);
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending us
    rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{4096, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const QString message = messageOf<FileError>([&] { PDFFile{statement}.write(path); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    // The system's own reason, not the one Qt substitutes when the write is cancelled.
    QVERIFY2(message.startsWith(u"无法保存"_s) &&
                 message.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))),
             qPrintable(message));
    QCOMPARE(contents(path), older);
    QCOMPARE(filesBelow(m_scratch->path()).filter(u"saved"_s),
             QStringList{u"saved.pdf"_s}); // no partial file left
}

// Another instance, started by the test: shares the sample, prints the file's path and
// lives until its standard input closes.
void TestDelivery::runningInstanceKeepsItsFiles() {
    QProcess other;
    other.start(QCoreApplication::applicationFilePath(), {u"--hold-instance"_s});
    QVERIFY(other.waitForReadyRead(20000));
    const QString path = QString::fromLocal8Bit(other.readLine().trimmed());
    QVERIFY(path.startsWith(PDFSharePayload::temporaryRoot()) && QFileInfo::exists(path));
    QCOMPARE(clearPrevious(), QByteArray());
    QVERIFY(QFileInfo::exists(path)); // still in use: not removed
    other.closeWriteChannel();
    QVERIFY(other.waitForFinished(20000));
    clearPrevious();
    QVERIFY(!QFileInfo::exists(path)); // its instance has ended
}

// The password rules; a protected copy is written like any other (0600) and opens only
// with its password, with exactly these rights: printing and copying text, no changes.
void TestDelivery::protectedStatements() {
    using namespace PdfProtection;
    const auto said = [](const char *message) { return std::optional(QString::fromUtf8(message)); };
    const auto tooLong = said("密码太长：最多 127 个字节（约 127 个英文字母或 42 个汉字）。");
    QCOMPARE(passwordIssue(QString()), std::nullopt); // no protection
    QCOMPARE(passwordIssue(u"abcde"_s), said("密码至少需要 6 个字符。"));
    // Counted as a person sees them: five flags are five characters, not ten.
    QVERIFY(passwordIssue(u"\U0001F1E8\U0001F1E6"_s.repeated(5)));
    // At most 127 UTF-8 bytes, what every reader takes.
    QCOMPARE(passwordIssue(QString(127, u'a')), std::nullopt);
    QCOMPARE(passwordIssue(QString(128, u'a')), tooLong);
    QCOMPARE(passwordIssue(u"工"_s.repeated(43)), tooLong);
    QCOMPARE(problem("abcdef", "abcdeF"), said("两次输入的密码不一致。"));
    QCOMPARE(problem("abc", "xyz"), passwordIssue("abc"));
    QCOMPARE(problem("abcdef", "abcdef"), std::nullopt);
    QVERIFY_THROWS_EXCEPTION(PayrollError, encrypt("%PDF-1.7 broken", "abcdef"));
    for (const QString password : {"abcdef", "工资2026密码", "pay day 7"}) {
        const QString path = PDFSharePayload::prepareFile(PayrollDraft::sample(), password);
        QCOMPARE(modeOf(path), mode_t(0600));
        const QByteArray locked = contents(path);
        QVERIFY(locked != encrypt(StubPDF::make(PayrollDraft::sample()), password));
        const QStringList shown =
            runProgram("qpdf", {"--show-encryption", "--password=" + password, path})
                .text.split(u'\n');
        QCOMPARE(
            shown.mid(3, 10),
            QStringList({"Supplied password is user password", "extract for accessibility: allowed",
                         "extract for any purpose: allowed", "print low resolution: allowed",
                         "print high resolution: allowed", "modify document assembly: not allowed",
                         "modify forms: not allowed", "modify annotations: not allowed",
                         "modify other: not allowed", "modify anything: not allowed"}));
        QVERIFY(shown.startsWith("R = 6") && shown.contains("stream encryption method: AESv3"));
        QVERIFY(runProgram("pdftotext", {"-upw", password, path, "-"})
                    .text.contains(u"NET PAYMENT $2,331.38"_s));
        QVERIFY(!OpenedPdf(locked).ready() && OpenedPdf(locked, password).ready()); // QtPdf too
    }
}

// A parent of the root is swapped for a link to a folder that looks like a root, over and
// over, while the clean-up and shares run: nothing there is removed or written.
void TestDelivery::swappedParentRedirectsNothing() {
    const QByteArray base = QFile::encodeName(m_scratch->filePath(u"base"_s));
    const QByteArray moved = base + ".real";
    const QString canary = m_scratch->filePath(u"canary"_s);
    const QString precious = canary + u"/run/CorvaneSharedPDFs/old/precious.pdf"_s;
    const mode_t mask = ::umask(077); // both look like private runtime folders
    QVERIFY(writeFile(precious, "precious") && QDir().mkpath(QFile::decodeName(base) + "/run"));
    ::umask(mask);
    qputenv("XDG_RUNTIME_DIR", base + "/run");
    std::atomic<bool> done = false;
    std::thread swapper([&] {
        const QByteArray c = QFile::encodeName(canary);
        while (!done) {
            ::rename(base.constData(), moved.constData());
            ::symlink(c.constData(), base.constData());
            std::this_thread::yield();
            ::unlink(base.constData());
            ::rename(moved.constData(), base.constData());
        }
    });
    for (QDeadlineTimer deadline(3000); !deadline.hasExpired();) {
        clearPrevious();
        messageOf<FileError>([] { PDFSharePayload::prepareFile(PayrollDraft::sample()); });
    }
    done = true;
    swapper.join();
    QCOMPARE(contents(precious), QByteArray("precious"));
    QCOMPARE(filesBelow(canary),
             QStringList({"run", "run/CorvaneSharedPDFs", "run/CorvaneSharedPDFs/old",
                          "run/CorvaneSharedPDFs/old/precious.pdf"}));
}

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    if (argc == 2 && !std::strcmp(argv[1], "--hold-instance")) {
        PDFSharePayload::clearPreviousSessionFiles();
        QTextStream(stdout) << PDFSharePayload::prepareFile(PayrollDraft::sample()) << Qt::endl;
        QTextStream(stdin).readAll();
        return 0;
    }
    TestDelivery test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_delivery.moc"
