#pragma once

#include <QWidget>

#include <optional>

class QLabel;

// What the three kinds of field share: the touched and focused state of their input,
// the one-line message "! …" under them in the error colour, and a refresh whenever
// the form's flag to show every problem changes.
class ValidatedField : public QWidget {
    Q_OBJECT
public:
    bool touched() const { return m_touched; }
    bool inputFocused() const { return m_focused; }
    bool showErrors() const;

    // The problem to show now, if any.
    virtual std::optional<QString> issue() const = 0;

    // Re-reads the draft and re-judges the entry.
    virtual void refresh() = 0;

    QLabel *messageLine() const { return m_message; }
    // What takes keyboard focus to edit this field.
    virtual QWidget *focusTarget() const = 0;

signals:
    // The draft field changed through this field.
    void edited();

protected:
    explicit ValidatedField(QWidget *parent);
    // Follows keyboard focus of `input`: leaving it once makes the field touched.
    void watchFocus(QWidget *input);
    QLabel *createMessageLine();
    void showMessage(const std::optional<QString> &message);

    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refreshAfterRelease();

    bool m_touched = false;
    bool m_focused = false;
    bool m_waitingForRelease = false;
    QWidget *m_input = nullptr;
    QLabel *m_message = nullptr;
};
