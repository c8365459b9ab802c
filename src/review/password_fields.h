#pragma once

#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QToolButton;

// The "保护 PDF" group: a password for every PDF that leaves the window, and its
// confirmation, masked unless the user shows them. The password lives here only.
// Problems are shown once a field was left, or after a refused save.
class PasswordFields : public QWidget {
    Q_OBJECT
public:
    explicit PasswordFields(QWidget *parent = nullptr);

    QString password() const;
    // The first problem of the two fields, if any; none while both are empty.
    std::optional<QString> problem() const;
    // Shows every problem, as after a save that was refused for one.
    void showProblems();
    // A new statement starts without a password.
    void clear();

    QLineEdit *passwordInput() const { return m_password; }
    QLineEdit *confirmationInput() const { return m_confirmation; }
    QToolButton *visibilityButton() const { return m_visibility; }
    QLabel *passwordMessage() const { return m_passwordMessage; }
    QLabel *confirmationMessage() const { return m_confirmationMessage; }

signals:
    void changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();

    QLineEdit *m_password;
    QLineEdit *m_confirmation;
    QToolButton *m_visibility;
    QLabel *m_passwordMessage;
    QLabel *m_confirmationMessage;
    bool m_passwordTouched = false;
    bool m_confirmationTouched = false;
    bool m_showAll = false;
};
