#include "form/row_heading.h"

#include "app/icons.h"
#include "form/limited_field.h"

#include <QHBoxLayout>
#include <QToolButton>

RowHeading::RowHeading(Binding<QString> label, QWidget *parent)
    : QWidget(parent),
      m_label(new LimitedField(QStringLiteral("项目名称"), std::move(label), 120, this)),
      m_remove(new QToolButton(this)) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_label, 1);
    row->addWidget(m_remove, 0, Qt::AlignTop);
    m_remove->setIcon(Icons::named("list-remove"));
    m_remove->setAutoRaise(true);
    m_remove->setMinimumSize(44, 44);
    m_remove->setAccessibleName(QStringLiteral("删除这一行项目"));
    m_remove->setToolTip(QStringLiteral("删除这一行项目"));
    connect(m_remove, &QToolButton::clicked, this, &RowHeading::removeRequested);
}
