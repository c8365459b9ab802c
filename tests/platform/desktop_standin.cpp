// Stands in for the desktop's services on a private session bus: FileManager1 (answering
// after a delay) and the OpenURI and Email portals. Every call it receives is appended to
// a log file, with the first bytes of any file descriptor it was handed.
//
//   desktop_standin LOG [filemanager=DELAY_MS] [portal]

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

QString logPath;

void record(const QString &line) {
    QFile file(logPath);
    if (file.open(QIODevice::Append)) file.write(line.toUtf8() + '\n');
}

QByteArray head(const QDBusUnixFileDescriptor &descriptor) {
    char bytes[5] = {};
    const ssize_t n = ::pread(descriptor.fileDescriptor(), bytes, sizeof bytes, 0);
    return n > 0 ? QByteArray(bytes, int(n)) : QByteArray("none");
}

class Service : public QDBusVirtualObject {
public:
    int delay = 0;
    QString introspect(const QString &) const override { return QString(); }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override {
        const QString member = message.member();
        const QVariantList args = message.arguments();
        if (member == QLatin1String("ShowItems")) {
            record(QStringLiteral("ShowItems ") + args.value(0).toStringList().join(u' '));
            message.setDelayedReply(true);
            QTimer::singleShot(delay, [connection, reply = message.createReply()] {
                connection.send(reply);
                record(QStringLiteral("ShowItems answered"));
            });
            return true;
        }
        const QDBusObjectPath handle(QStringLiteral("/org/freedesktop/portal/desktop/request/1"));
        if (member == QLatin1String("OpenFile") || member == QLatin1String("OpenDirectory")) {
            const QVariantMap options = qdbus_cast<QVariantMap>(args.value(2));
            record(member + QStringLiteral(" ask=") +
                   (options.value(QStringLiteral("ask")).toBool() ? "true " : "false ") +
                   QString::fromLatin1(head(args.value(1).value<QDBusUnixFileDescriptor>())));
        } else if (member == QLatin1String("ComposeEmail")) {
            const QVariantMap options = qdbus_cast<QVariantMap>(args.value(1));
            const auto fds = qdbus_cast<QList<QDBusUnixFileDescriptor>>(
                options.value(QStringLiteral("attachment_fds")));
            record(QStringLiteral("ComposeEmail ") +
                   QString::fromLatin1(fds.isEmpty() ? QByteArray("none") : head(fds[0])));
        } else {
            return false;
        }
        connection.send(message.createReply(QVariant::fromValue(handle)));
        return true;
    }
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return 2;
    logPath = args[0];
    QDBusConnection bus = QDBusConnection::sessionBus();
    Service fileManager, portal;
    for (const QString &arg : args.mid(1)) {
        if (arg.startsWith(QLatin1String("filemanager="))) {
            fileManager.delay = arg.section(u'=', 1).toInt();
            bus.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                      &fileManager);
            bus.registerService(QStringLiteral("org.freedesktop.FileManager1"));
        } else if (arg == QLatin1String("portal")) {
            bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal);
            bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
        }
    }
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
