#pragma once

#include "app/workflow_step.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class QLabel;

// One step of the row: its number in a badge and its title.
class StepButton : public QAbstractButton {
    Q_OBJECT
public:
    StepButton(WorkflowStep step, QWidget *parent = nullptr);
    WorkflowStep step() const { return m_step; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    friend class StepNavigation;
    WorkflowStep m_step;
    bool m_keyboardFocus = false; // the ring marks focus reached from the keyboard only
};

// The three step buttons at the top of the guided editor. Any step can be chosen at
// any time; checks happen only when moving forward from the footer.
class StepNavigation : public QWidget {
    Q_OBJECT
public:
    explicit StepNavigation(QWidget *parent = nullptr);
    void setStage(WorkflowStep stage);
    WorkflowStep stage() const { return m_stage; }
    StepButton *button(WorkflowStep step) const;

signals:
    void stageSelected(WorkflowStep step);

private:
    WorkflowStep m_stage = WorkflowStep::basic;
    QList<StepButton *> m_buttons;
};

// "STEP 0n / 03" and the guidance sentence of the current step.
class StepHeading : public QWidget {
    Q_OBJECT
public:
    explicit StepHeading(QWidget *parent = nullptr);
    void setStage(WorkflowStep stage);
    QString lineText() const;
    QString guidanceText() const;

private:
    QLabel *m_line;
    QLabel *m_guidance;
};
