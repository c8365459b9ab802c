#include "app/focus_ring_style.h"
#include "app/icons.h"
#include "corvane/version.h"
#include "delivery/pdf_share_payload.h"
#include "platform/freedesktop.h"
#include "window/content_view.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

constexpr char usage[] = "Usage: corvane [--help] [--version]\n"
                         "\n"
                         "Prepare one employee pay statement at a time and deliver it as a PDF.\n"
                         "Nothing is stored between runs: save or share the PDF before quitting.\n"
                         "\n"
                         "  -h, --help     show this help and exit\n"
                         "  -v, --version  show the version and exit\n";

// Answers the command line before any display is needed: --help and --version work
// anywhere, and anything else is refused (exit 2) rather than silently ignored.
std::optional<int> answerCommandLine(int argc, char **argv) {
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            help = true;
        } else if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v")) {
            version = true;
        } else {
            std::fprintf(stderr, "corvane: unknown %s '%s'\n\n",
                         argv[i][0] == '-' ? "option" : "argument", argv[i]);
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (help) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (version) {
        std::printf("Corvane %s\n", corvaneVersion);
        return 0;
    }
    return std::nullopt;
}

bool isSet(const char *name) {
    const char *value = std::getenv(name);
    return value && *value;
}

// Qt reports a display it cannot reach as a few messages and then aborts with advice
// to reinstall. While the application starts, the platform's messages are held back;
// should Qt give up, the first warning among them (the cause) is said in one line and
// the exit status is 1. Should it go on, they are passed on as they came.
struct HeldMessage {
    QtMsgType type;
    QString category;
    QString text;
};
QList<HeldMessage> heldMessages;
QtMessageHandler previousHandler = nullptr;

void startUpMessages(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type == QtFatalMsg) {
        QString cause = message.section(QLatin1Char('\n'), 0, 0);
        for (const HeldMessage &held : heldMessages)
            if (held.type == QtWarningMsg || held.type == QtCriticalMsg) {
                cause = held.text;
                break;
            }
        std::fprintf(stderr, "corvane: cannot open a window: %s\n", qPrintable(cause));
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (type != QtDebugMsg && context.category &&
        std::strncmp(context.category, "qt.qpa", 6) == 0) {
        heldMessages.append({type, QString::fromUtf8(context.category), message});
        return;
    }
    previousHandler(type, context, message);
}

// Passes the held messages on once the platform is up.
void releaseStartUpMessages() {
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage &held : std::as_const(heldMessages)) {
        const QByteArray category = held.category.toUtf8();
        const QMessageLogContext context(nullptr, 0, nullptr, category.constData());
        previousHandler(held.type, context, held.text);
    }
    heldMessages.clear();
}

} // namespace

int main(int argc, char **argv) {
    if (const auto code = answerCommandLine(argc, argv)) return *code;
    // Without a display, say so in one line instead of Qt's abort. A platform chosen
    // explicitly (QT_QPA_PLATFORM, offscreen for instance) is Qt's to judge.
    if (!isSet("QT_QPA_PLATFORM") && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        std::fputs("corvane: no display to open a window on: neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set; start Corvane from a desktop session.\n",
                   stderr);
        return 1;
    }

    // The shared files of the previous run go before any window exists; whatever
    // the clean-up meets is reported on stderr and does not stop the start.
    PDFSharePayload::clearPreviousSessionFiles();

    previousHandler = qInstallMessageHandler(startUpMessages);
    QApplication app(argc, argv);
    releaseStartUpMessages();
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QString::fromLatin1(corvaneVersion));
    QApplication::setOrganizationDomain(QStringLiteral("corvane.ca"));
    QApplication::setDesktopFileName(QStringLiteral("ca.corvane.Corvane"));
    QApplication::setWindowIcon(Icons::named("ca.corvane.Corvane"));
    FocusRingStyle::install();

    // The window speaks Simplified Chinese, so Qt's own dialogs and buttons do too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    platform::FreedesktopDesktop desktop;
    // Each window has its own model; they share only the theme and the shared folder.
    std::function<void(ContentView *)> openWindow = [&](ContentView *opener) {
        auto *window = new ContentView(&desktop);
        window->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(window, &ContentView::newWindowRequested, window,
                         [&, window] { openWindow(window); });
        if (opener) window->cascadeFrom(opener);
        window->show();
    };
    openWindow(nullptr);
    return app.exec();
}
