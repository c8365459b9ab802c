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
#include <cstring>

namespace {

constexpr char usage[] = "Usage: corvane [--help] [--version]\n"
                         "\n"
                         "Prepare one employee pay statement at a time and deliver it as a PDF.\n"
                         "Nothing is stored between runs: save or share the PDF before quitting.\n"
                         "\n"
                         "  -h, --help     show this help and exit\n"
                         "  -v, --version  show the version and exit\n";

// Answers --help and --version before any display is needed.
std::optional<int> answerCommandLine(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v")) {
            std::printf("Corvane %s\n", corvaneVersion);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv) {
    if (const auto code = answerCommandLine(argc, argv)) return *code;

    // The shared files of the previous run go before any window exists; whatever
    // the clean-up meets is reported on stderr and does not stop the start.
    PDFSharePayload::clearPreviousSessionFiles();

    QApplication app(argc, argv);
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
