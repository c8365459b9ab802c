#include "app/icons.h"

#include <QFile>

namespace Icons {

QIcon named(const char *freedesktopName) {
    const QString name = QString::fromLatin1(freedesktopName);
    const QString bundled = QStringLiteral(":/corvane/icons/%1.svg").arg(name);
    const QIcon fallback = QFile::exists(bundled) ? QIcon(bundled) : QIcon();
    return QIcon::fromTheme(name, fallback);
}

} // namespace Icons
