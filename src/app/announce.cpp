#include "app/announce.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

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
        window->installEventFilter(this);
    }

    // A screen reader passes over what an inactive window says, such as the note of a save
    // made while the save dialog still had the keyboard: that waits for the window.
    void tell(const QString &text) {
        m_pending = text;
        if (window()->isActiveWindow()) appear();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == window() && event->type() == QEvent::WindowActivate && !m_pending.isEmpty())
            QTimer::singleShot(0, this, &Announcer::appear); // after the focus it gets back
        return false;
    }

private:
    void appear() {
        if (m_pending.isEmpty()) return;
        raise();
        setAccessibleName(std::exchange(m_pending, QString()));
        // Appearing is what makes a notification heard, so it appears again for every text.
        QAccessibleEvent shown(this, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&shown);
    }

    QString m_pending;
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
    announcer->tell(text);
    if (listener()) listener()(text);
}

void setListener(std::function<void(const QString &)> receiver) {
    listener() = std::move(receiver);
}

} // namespace Announce

#include "announce.moc"
