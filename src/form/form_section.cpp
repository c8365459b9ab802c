#include "form/form_section.h"

#include "app/theme.h"
#include "app/ui_parts.h"
#include "form/validated_field.h"
#include "payroll/money.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <optional>

FormSection::FormSection(const QString &header, const QString &footer, QWidget *parent)
    : QWidget(parent) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    if (!header.isEmpty()) {
        m_header = new QLabel(header, this);
        QFont bold = m_header->font();
        bold.setBold(true);
        m_header->setFont(bold);
        column->addWidget(m_header);
    }
    auto *card = new QFrame(this);
    card->setObjectName(QStringLiteral("formCard"));
    card->setFrameShape(QFrame::StyledPanel);
    card->setAutoFillBackground(true);
    Theme::follow(card, [card] {
        QPalette pal = card->palette();
        pal.setColor(QPalette::Window, card->parentWidget()->palette().color(QPalette::Base));
        card->setPalette(pal);
    });
    m_content = new QVBoxLayout(card);
    m_content->setContentsMargins(14, 12, 14, 12);
    m_content->setSpacing(10);
    column->addWidget(card);
    if (!footer.isEmpty()) {
        m_footer = secondaryLabel(footer, this);
        m_footer->setWordWrap(true);
        column->addWidget(m_footer);
    }
}

QString FormSection::header() const {
    return m_header ? m_header->text() : QString();
}
QString FormSection::footer() const {
    return m_footer ? m_footer->text() : QString();
}

TotalLine::TotalLine(const QString &label, QWidget *parent)
    : QWidget(parent), m_value(new QLabel(this)) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(label, this));
    row->addStretch(1);
    QFont bold = m_value->font();
    bold.setBold(true);
    m_value->setFont(bold);
    m_value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(m_value);
}

void TotalLine::setValue(const std::optional<qint64> &cents) {
    m_value->setText(cents ? Money::string(*cents) : QStringLiteral("—"));
}

QString TotalLine::valueText() const {
    return m_value->text();
}
