#include "review/password_fields.h"

#include "app/icons.h"
#include "app/theme.h"
#include "delivery/pdf_protection.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel *messageLine(QWidget *parent) {
    auto *line = new QLabel(parent);
    line->setWordWrap(true);
    line->setFont(Theme::font(line->font(), -1.5));
    Theme::tint(line, [](const QPalette &pal) { return Theme::errorInk().resolve(pal); });
    line->hide();
    return line;
}

void showProblem(QLabel *line, QLineEdit *input, const std::optional<QString> &problem) {
    line->setText(problem ? QStringLiteral("! ") + *problem : QString());
    line->setVisible(problem.has_value());
    input->setAccessibleDescription(problem.value_or(QString()));
}

} // namespace

PasswordFields::PasswordFields(QWidget *parent)
    : QWidget(parent), m_password(new QLineEdit(this)), m_confirmation(new QLineEdit(this)),
      m_visibility(new QToolButton(this)), m_passwordMessage(messageLine(this)),
      m_confirmationMessage(messageLine(this)) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto *title = new QLabel(QStringLiteral("保护 PDF"), this);
    title->setFont(Theme::font(font(), -1.5, QFont::DemiBold));
    column->addWidget(title);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    const struct {
        QLineEdit *input;
        QLabel *message;
        const char16_t *label;
    } rows[] = {{m_password, m_passwordMessage, u"密码"},
                {m_confirmation, m_confirmationMessage, u"确认密码"}};
    int row = 0;
    for (const auto &r : rows) {
        auto *label = new QLabel(QString::fromUtf16(r.label), this);
        label->setBuddy(r.input);
        // The group's name goes with each field: reached by Tab, a field is heard alone, and
        // a screen reader reads the label before the field's own name.
        label->setAccessibleName(title->text() + QStringLiteral("：") + label->text());
        r.input->setEchoMode(QLineEdit::Password);
        r.input->setAccessibleName(label->accessibleName());
        r.input->installEventFilter(this);
        connect(r.input, &QLineEdit::textChanged, this, [this] {
            refresh();
            emit changed();
        });
        grid->addWidget(label, row, 0);
        grid->addWidget(r.input, row++, 1);
        grid->addWidget(r.message, row++, 1);
    }
    m_visibility->setCheckable(true);
    m_visibility->setIcon(Icons::named("view-visible"));
    m_visibility->setText(QStringLiteral("显示密码"));
    m_visibility->setToolTip(QStringLiteral("显示密码"));
    m_visibility->setAccessibleName(QStringLiteral("显示密码"));
    // One name; the checked state says whether the password shows.
    connect(m_visibility, &QToolButton::toggled, this, [this](bool shown) {
        for (QLineEdit *input : {m_password, m_confirmation})
            input->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    grid->addWidget(m_visibility, 0, 2);
    column->addLayout(grid);
}

QString PasswordFields::password() const {
    return m_password->text();
}

std::optional<QString> PasswordFields::problem() const {
    return PdfProtection::problem(m_password->text(), m_confirmation->text());
}

void PasswordFields::showProblems() {
    m_showAll = true;
    refresh();
}

void PasswordFields::clear() {
    m_password->clear();
    m_confirmation->clear();
    m_visibility->setChecked(false);
    m_passwordTouched = m_confirmationTouched = m_showAll = false;
    refresh();
}

bool PasswordFields::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_password) m_passwordTouched = true;
        // Passing through the empty confirmation is not yet a mismatch.
        if (watched == m_confirmation && !m_confirmation->text().isEmpty())
            m_confirmationTouched = true;
        refresh();
    }
    return QWidget::eventFilter(watched, event);
}

void PasswordFields::refresh() {
    const QString password = m_password->text(), confirmation = m_confirmation->text();
    showProblem(m_passwordMessage, m_password,
                m_passwordTouched || m_showAll ? PdfProtection::passwordIssue(password)
                                               : std::nullopt);
    showProblem(m_confirmationMessage, m_confirmation,
                m_confirmationTouched || m_showAll
                    ? PdfProtection::confirmationIssue(password, confirmation)
                    : std::nullopt);
}
