#pragma once

#include <QList>
#include <QObject>

class QAction;
class QWidget;

// Gives the window's commands their keys wherever focus is in the window. Text fields
// claim some of them for editing (X11's line edit takes Ctrl+E as "end of line"), so the
// keys of these actions are taken before any widget of the window can claim them.
class CommandKeys : public QObject {
    Q_OBJECT
public:
    CommandKeys(QWidget *window, QList<QAction *> actions);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QList<QAction *> m_actions;
};
