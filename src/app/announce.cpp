#include "app/announce.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace Announce {

namespace {

std::function<void(const QString &)> &listener() {
    static std::function<void(const QString &)> registered;
    return registered;
}

// A one-pixel widget in the window's corner: invisible to the eye, but showing, so that
// its accessible object is in the tree when the screen reader asks for its text.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget *window) : QWidget(window) {
        setObjectName(QStringLiteral("announcer"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, 1, 1);
        show();
    }
};

QAccessibleInterface *notification(const QString &, QObject *object) {
    if (auto *announcer = qobject_cast<Announcer *>(object))
        return new QAccessibleWidget(announcer, QAccessible::Notification);
    return nullptr;
}

} // namespace

void say(QWidget *near, const QString &text) {
    static const bool registered = (QAccessible::installFactory(notification), true);
    Q_UNUSED(registered);
    QWidget *window = near->window();
    auto *announcer = window->findChild<Announcer *>(QString(), Qt::FindDirectChildrenOnly);
    if (!announcer) announcer = new Announcer(window);
    announcer->raise();
    announcer->setAccessibleName(text);
    // Appearing is what makes a notification heard, so it appears again for every text.
    QAccessibleEvent shown(announcer, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
    if (listener()) listener()(text);
}

void setListener(std::function<void(const QString &)> receiver) {
    listener() = std::move(receiver);
}

} // namespace Announce

#include "announce.moc"
