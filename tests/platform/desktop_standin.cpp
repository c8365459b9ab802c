// Stands in for one desktop service on a private session bus, logging every call with the
// first bytes of any file it is handed:
//   desktop_standin LOG filemanager=DELAY_MS  FileManager1, answering after the delay
//   desktop_standin LOG portal=CODE           OpenURI and Email portals, ending each request
//                                             with Response CODE (0 done, 1 cancelled, 2 failed)
//   desktop_standin LOG backend=CODE          AppChooser and Email back end of the real portal

#include <QtDBus>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString logPath;

void record(const QString &line) {
    QFile file(logPath);
    if (file.open(QIODevice::Append)) file.write(line.toUtf8() + '\n');
}

// The first bytes of an open file, or "none".
QByteArray head(int fd) {
    char bytes[5] = {};
    const ssize_t n = ::pread(fd, bytes, sizeof bytes, 0);
    return n > 0 ? QByteArray(bytes, int(n)) : QByteArray("none");
}

class Service : public QDBusVirtualObject {
public:
    int value = 0; // the delay, or the response
    bool backend = false;
    QString introspect(const QString &) const override { return QString(); }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override {
        const QString member = message.member();
        const QVariantList args = message.arguments();
        if (member == QLatin1String("ShowItems")) {
            record(u"ShowItems "_s + args.value(0).toStringList().join(u' '));
            message.setDelayedReply(true);
            QTimer::singleShot(value, [connection, reply = message.createReply()] {
                connection.send(reply);
                record(u"ShowItems answered"_s);
            });
            return true;
        }
        if (backend) {
            // The front end made the request; the back end answers it in its reply.
            QVariantMap results;
            if (member == QLatin1String("ChooseApplication")) {
                const QStringList choices = args.value(3).toStringList();
                record(u"ChooseApplication "_s + choices.join(u' '));
                results.insert(u"choice"_s, choices.value(0));
            } else if (member == QLatin1String("ComposeEmail")) {
                const QVariantMap options = qdbus_cast<QVariantMap>(args.value(3));
                QFile attached(options.value(u"attachments"_s).toStringList().value(0));
                attached.open(QIODevice::ReadOnly);
                record(u"ComposeEmail "_s + QString::fromLatin1(head(attached.handle())));
            } else {
                return false;
            }
            connection.send(message.createReply(QVariantList{uint(value), results}));
            return true;
        }
        if (member == QLatin1String("OpenFile") || member == QLatin1String("OpenDirectory")) {
            const QVariantMap options = qdbus_cast<QVariantMap>(args.value(2));
            record(member + u" ask="_s + (options.value(u"ask"_s).toBool() ? "true " : "false ") +
                   QString::fromLatin1(
                       head(args.value(1).value<QDBusUnixFileDescriptor>().fileDescriptor())));
        } else if (member == QLatin1String("ComposeEmail")) {
            const QVariantMap options = qdbus_cast<QVariantMap>(args.value(1));
            const auto fds =
                qdbus_cast<QList<QDBusUnixFileDescriptor>>(options.value(u"attachment_fds"_s));
            record(u"ComposeEmail "_s + QString::fromLatin1(head(fds.value(0).fileDescriptor())));
        } else {
            return false;
        }
        // The request's path, as the caller predicts it. The Response goes out before the
        // reply, as a quick portal's may: only a caller that listens before its call hears it.
        const QVariantMap options = qdbus_cast<QVariantMap>(args.value(args.size() - 1));
        const QString handle = u"/org/freedesktop/portal/desktop/request/"_s +
                               message.service().mid(1).replace(u'.', u'_') + u'/' +
                               options.value(u"handle_token"_s).toString();
        QDBusMessage answer = QDBusMessage::createTargetedSignal(
            message.service(), handle, u"org.freedesktop.portal.Request"_s, u"Response"_s);
        answer << uint(value) << QVariantMap();
        connection.send(answer);
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
        return true;
    }
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
    logPath = app.arguments().value(1);
    const QString kind = app.arguments().value(2).section(u'=', 0, 0);
    const bool fileManager = kind == u"filemanager";
    Service service;
    service.value = app.arguments().value(2).section(u'=', 1).toInt();
    service.backend = kind == u"backend";
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.registerVirtualObject(fileManager ? u"/org/freedesktop/FileManager1"_s
                                          : u"/org/freedesktop/portal/desktop"_s,
                              &service);
    bus.registerService(fileManager       ? u"org.freedesktop.FileManager1"_s
                        : service.backend ? u"org.freedesktop.impl.portal.desktop.corvane"_s
                                          : u"org.freedesktop.portal.Desktop"_s);
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
