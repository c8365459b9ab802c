#pragma once

#include "platform/installed_applications.h"

#include <QDialog>
#include <QList>

#include <optional>

class QListWidget;
class QPushButton;

namespace platform {

// Lets the user pick one installed application; those that open PDF files first.
// Nothing is chosen until the user picks an entry.
class ApplicationChooser : public QDialog {
    Q_OBJECT
public:
    ApplicationChooser(const QList<Application> &applications, QWidget *parent = nullptr);
    std::optional<Application> chosen() const;
    QListWidget *list() const { return m_list; }
    QPushButton *openButton() const { return m_open; }

private:
    QList<Application> m_applications;
    QListWidget *m_list;
    QPushButton *m_open;
};

} // namespace platform
