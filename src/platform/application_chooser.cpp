#include "platform/application_chooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace platform {

namespace {

QIcon iconOf(const Application &app) {
    return QDir::isAbsolutePath(app.icon) ? QIcon(app.icon) : QIcon::fromTheme(app.icon);
}

} // namespace

ApplicationChooser::ApplicationChooser(const QList<Application> &applications, QWidget *parent)
    : QDialog(parent), m_applications(applications), m_list(new QListWidget(this)) {
    setWindowModality(Qt::WindowModal);
    resize(420, 480);
    auto *column = new QVBoxLayout(this);
    bool pdfHeaderShown = false, otherHeaderShown = false;
    for (qsizetype i = 0; i < applications.size(); ++i) {
        const Application &app = applications[i];
        // Group headings that cannot be chosen.
        if (app.opensPdf && !pdfHeaderShown) {
            auto *h = new QListWidgetItem(QStringLiteral("可打开 PDF 的应用"), m_list);
            h->setFlags(Qt::NoItemFlags);
            pdfHeaderShown = true;
        } else if (!app.opensPdf && !otherHeaderShown) {
            auto *h = new QListWidgetItem(QStringLiteral("其他应用"), m_list);
            h->setFlags(Qt::NoItemFlags);
            otherHeaderShown = true;
        }
        auto *item = new QListWidgetItem(iconOf(app), app.name, m_list);
        item->setData(Qt::UserRole, int(i));
    }
    if (applications.isEmpty())
        column->addWidget(new QLabel(QStringLiteral("没有找到已安装的应用。"), this));
    column->addWidget(m_list);
    auto *buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton(QStringLiteral("打开"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    m_open->setEnabled(false);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The list makes its first row current when it gets focus; only a row the user
    // selected counts as chosen, so Enter alone never opens anything.
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_open->setEnabled(chosen().has_value()); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] {
        if (chosen()) accept();
    });
}

std::optional<Application> ApplicationChooser::chosen() const {
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    if (selected.isEmpty() || !selected[0]->data(Qt::UserRole).isValid()) return std::nullopt;
    return m_applications.value(selected[0]->data(Qt::UserRole).toInt());
}

} // namespace platform
