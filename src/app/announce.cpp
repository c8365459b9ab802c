#include "app/announce.h"

namespace Announce {

namespace {

std::function<void(QObject *, QAccessible::Event)> &listener() {
    static std::function<void(QObject *, QAccessible::Event)> registered;
    return registered;
}

} // namespace

void send(QObject *object, QAccessible::Event event) {
    QAccessibleEvent accessible(object, event);
    QAccessible::updateAccessibility(&accessible);
    if (listener()) listener()(object, event);
}

void setListener(std::function<void(QObject *, QAccessible::Event)> receiver) {
    listener() = std::move(receiver);
}

} // namespace Announce
