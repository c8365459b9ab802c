#pragma once

#include <QAccessibleEditableTextInterface>
#include <QAccessibleWidget>

class QLineEdit;

// What a screen reader reads of a single-line field. Qt 6.4's own reports every character
// as a text-attribute run of length zero, and Orca, joining the runs, drops the field's
// last character: "Acme" was read "Acm", "1000.00" "1000.0". Here the whole line is one
// run. A password field shows its mask characters only, in every text it reports.
class LineEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit LineEditAccessible(QLineEdit *edit);

    // Makes every line edit of the application, except those inside spin and combo
    // boxes, use this interface; idempotent.
    static void install();

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString &text) override;
    void replaceText(int startOffset, int endOffset, const QString &text) override;

private:
    QLineEdit *edit() const;
    // The text as drawn: a password field's mask characters, never the password.
    QString shown() const;
};
