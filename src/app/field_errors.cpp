#include "app/field_errors.h"

#include <QCoreApplication>
#include <QVariant>
#include <QWidget>

namespace FieldErrors {

namespace {
constexpr char property[] = "showFieldErrors";
}

QEvent::Type changedEvent() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void setShown(QWidget *ancestor, bool shown) {
    if (ancestor->property(property).isValid() && ancestor->property(property).toBool() == shown)
        return;
    ancestor->setProperty(property, shown);
    const QList<QWidget *> below = ancestor->findChildren<QWidget *>();
    for (QWidget *w : below) {
        QEvent event(changedEvent());
        QCoreApplication::sendEvent(w, &event);
    }
}

bool shown(const QWidget *field) {
    for (const QWidget *w = field; w; w = w->parentWidget()) {
        const QVariant value = w->property(property);
        if (value.isValid()) return value.toBool();
    }
    return false;
}

} // namespace FieldErrors
