#include "app/accessible_events.h"

#include "app/line_edit_accessible.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>

namespace AccessibleEvents {

namespace {

QPointer<QObject> &focusTold() {
    static QPointer<QObject> told;
    return told;
}

QAccessible::UpdateHandler &previousHandler() {
    static QAccessible::UpdateHandler previous = nullptr;
    return previous;
}

std::function<void(QAccessibleEvent *)> &sink() {
    static std::function<void(QAccessibleEvent *)> replacement;
    return replacement;
}

void toBridge(QAccessibleEvent *event) {
    if (QAccessible::UpdateHandler previous = previousHandler()) return previous(event);
    // Qt passes an event to its bridge only while no handler is installed.
    const QAccessible::UpdateHandler mine = QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(mine);
}

void tell(QAccessibleEvent *event) {
    if (sink())
        sink()(event);
    else
        toBridge(event);
}

const QLineEdit *passwordEdit(QObject *object) {
    const auto *edit = qobject_cast<const QLineEdit *>(object);
    return edit && edit->echoMode() != QLineEdit::Normal ? edit : nullptr;
}

// Whether `object` is, or belongs to, the widget whose focus was told last. A screen
// reader takes caret news of any other widget that has focus by the time it looks as a
// quiet move of focus, and then never says that widget.
// A field that is losing focus is not it either: its selection going is not news.
bool ofToldFocus(QObject *object) {
    QObject *told = focusTold();
    if (!told || told != QApplication::focusWidget()) return false;
    if (object == told) return true;
    if (!object->isWidgetType()) return false;
    auto *widget = static_cast<QWidget *>(object), *focus = static_cast<QWidget *>(told);
    return widget->isAncestorOf(focus) || focus->isAncestorOf(widget);
}

QString mask(const QString &text) {
    return QString(text.size(), u'*');
}

// `change`, a change of a password field's text, with its texts masked.
void tellMasked(QObject *field, QAccessibleEvent *change) {
    if (change->type() == QAccessible::TextInserted) {
        const auto *inserted = static_cast<QAccessibleTextInsertEvent *>(change);
        QAccessibleTextInsertEvent masked(field, inserted->changePosition(),
                                          mask(inserted->textInserted()));
        return tell(&masked);
    }
    if (change->type() == QAccessible::TextRemoved) {
        const auto *removed = static_cast<QAccessibleTextRemoveEvent *>(change);
        QAccessibleTextRemoveEvent masked(field, removed->changePosition(),
                                          mask(removed->textRemoved()));
        return tell(&masked);
    }
    const auto *updated = static_cast<QAccessibleTextUpdateEvent *>(change);
    QAccessibleTextUpdateEvent masked(field, updated->changePosition(),
                                      mask(updated->textRemoved()), mask(updated->textInserted()));
    tell(&masked);
}

} // namespace

void handle(QAccessibleEvent *event) {
    QObject *object = event->object();
    if (!object) return tell(event);
    switch (event->type()) {
    case QAccessible::Focus:
        focusTold() = object;
        break;
    case QAccessible::TextCaretMoved:
    case QAccessible::TextSelectionChanged:
        if (!ofToldFocus(object)) return;
        break;
    case QAccessible::TextInserted:
    case QAccessible::TextRemoved:
    case QAccessible::TextUpdated:
        if (passwordEdit(object)) return tellMasked(object, event);
        break;
    default:
        break;
    }
    tell(event);
}

void setSink(std::function<void(QAccessibleEvent *)> replacement) {
    sink() = std::move(replacement);
}

void install() {
    LineEditAccessible::install();
    static const bool installed = [] {
        previousHandler() = QAccessible::installUpdateHandler(&handle);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace AccessibleEvents
