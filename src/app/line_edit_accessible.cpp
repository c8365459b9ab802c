#include "app/line_edit_accessible.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>

namespace {

QAccessibleInterface *lineEditFactory(const QString &, QObject *object) {
    auto *edit = qobject_cast<QLineEdit *>(object);
    // Spin and combo boxes read their line edit through their own interface.
    if (!edit || qobject_cast<QAbstractSpinBox *>(edit->parent()) ||
        qobject_cast<QComboBox *>(edit->parent()))
        return nullptr;
    return new LineEditAccessible(edit);
}

} // namespace

LineEditAccessible::LineEditAccessible(QLineEdit *edit)
    : QAccessibleWidget(edit, QAccessible::EditableText) {}

void LineEditAccessible::install() {
    static const bool installed = (QAccessible::installFactory(lineEditFactory), true);
    Q_UNUSED(installed);
}

QLineEdit *LineEditAccessible::edit() const {
    return static_cast<QLineEdit *>(widget());
}

QString LineEditAccessible::shown() const {
    return edit()->echoMode() == QLineEdit::Normal ? edit()->text() : edit()->displayText();
}

void *LineEditAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString LineEditAccessible::text(QAccessible::Text t) const {
    switch (t) {
    case QAccessible::Value:
        return shown();
    case QAccessible::Name: {
        const QString name = QAccessibleWidget::text(t);
        return name.isEmpty() ? edit()->placeholderText() : name;
    }
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State LineEditAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = edit()->isReadOnly();
    s.editable = !edit()->isReadOnly();
    s.selectableText = true;
    s.passwordEdit = edit()->echoMode() != QLineEdit::Normal;
    return s;
}

void LineEditAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !edit()->hasSelectedText()) return;
    *startOffset = edit()->selectionStart();
    *endOffset = *startOffset + edit()->selectionLength();
}

int LineEditAccessible::selectionCount() const {
    return edit()->hasSelectedText() ? 1 : 0;
}

void LineEditAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void LineEditAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) edit()->deselect();
}

void LineEditAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) edit()->setSelection(startOffset, endOffset - startOffset);
}

int LineEditAccessible::cursorPosition() const {
    return edit()->cursorPosition();
}

void LineEditAccessible::setCursorPosition(int position) {
    edit()->setCursorPosition(position);
}

QString LineEditAccessible::text(int startOffset, int endOffset) const {
    if (startOffset > endOffset) return QString();
    return shown().mid(startOffset, endOffset - startOffset);
}

int LineEditAccessible::characterCount() const {
    return int(shown().size());
}

QRect LineEditAccessible::characterRect(int offset) const {
    const QString line = shown();
    if (offset < 0 || offset >= line.size()) return QRect();
    const QFontMetrics metrics(edit()->font());
    const QRect inside = edit()->contentsRect();
    const int x = metrics.horizontalAdvance(line.left(offset));
    const QRect local(inside.left() + x, inside.top(), metrics.horizontalAdvance(line.at(offset)),
                      inside.height());
    return QRect(edit()->mapToGlobal(local.topLeft()), local.size());
}

int LineEditAccessible::offsetAtPoint(const QPoint &point) const {
    return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
}

void LineEditAccessible::scrollToSubstring(int, int endIndex) {
    edit()->setCursorPosition(endIndex);
}

QString LineEditAccessible::attributes(int, int *startOffset, int *endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

void LineEditAccessible::deleteText(int startOffset, int endOffset) {
    edit()->setSelection(startOffset, endOffset - startOffset);
    edit()->del();
}

void LineEditAccessible::insertText(int offset, const QString &text) {
    edit()->setCursorPosition(offset);
    edit()->insert(text);
}

void LineEditAccessible::replaceText(int startOffset, int endOffset, const QString &text) {
    edit()->setSelection(startOffset, endOffset - startOffset);
    edit()->insert(text);
}
