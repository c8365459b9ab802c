#pragma once

#include "platform/desktop.h"

#include <QDialog>
#include <QList>

class QListWidget;

namespace platform {

// Lets the user pick one installed application; those that open PDF files first.
class ApplicationChooser : public QDialog {
    Q_OBJECT
public:
    ApplicationChooser(const QList<Application> &applications, QWidget *parent = nullptr);
    std::optional<Application> chosen() const;
    QListWidget *list() const { return m_list; }

private:
    QList<Application> m_applications;
    QListWidget *m_list;
};

} // namespace platform
