#pragma once

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

} // namespace Workflow
