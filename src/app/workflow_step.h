#pragma once

#include "payroll/payroll_draft.h"

#include <QList>
#include <QString>

#include <optional>

enum class WorkflowStep { basic = 1, amounts = 2, review = 3 };

namespace Workflow {

inline const QList<WorkflowStep> allCases = {WorkflowStep::basic, WorkflowStep::amounts,
                                             WorkflowStep::review};

inline int rawValue(WorkflowStep step) {
    return int(step);
}
std::optional<WorkflowStep> fromRawValue(int raw);

QString title(WorkflowStep step);
QString guidance(WorkflowStep step);

// "第1步，基本资料"
QString accessibleLabel(WorkflowStep step);
// "STEP 01 / 03"
QString headingLine(WorkflowStep step);
// What a screen reader says on arriving at `step`: where the user is and what to do.
QString arrivalMessage(WorkflowStep step);
// What it says when a step cannot be left: how many fields need work, and the first.
QString failedStepMessage(qsizetype problemCount, const QString &firstProblem);

// The problem that keeps the user from moving forward from `step`, if any.
std::optional<QString> blockingProblem(WorkflowStep step, const PayrollDraft &draft);
// Where going back to editing from the review lands: the amounts, unless the basics
// still have a problem.
WorkflowStep editingStep(const PayrollDraft &draft);

// How the window offers a whole-draft replacement and asks before doing it.
struct ActionTexts {
    const char *icon;    // freedesktop icon name
    QString menuText;    // in the "更多" menu
    QString confirmText; // the confirming button
    QString message;     // the question's sentence
    bool destructive;
};
ActionTexts texts(DraftAction action);

} // namespace Workflow
