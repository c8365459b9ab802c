#include "app/workflow_step.h"

namespace Workflow {

std::optional<WorkflowStep> fromRawValue(int raw) {
    if (raw < 1 || raw > 3) return std::nullopt;
    return WorkflowStep(raw);
}

QString title(WorkflowStep step) {
    switch (step) {
    case WorkflowStep::basic:
        return QStringLiteral("基本资料");
    case WorkflowStep::amounts:
        return QStringLiteral("收入与扣款");
    case WorkflowStep::review:
        return QStringLiteral("核对导出");
    }
    return QString();
}

QString guidance(WorkflowStep step) {
    switch (step) {
    case WorkflowStep::basic:
        return QStringLiteral("先确认这张工资单属于谁");
    case WorkflowStep::amounts:
        return QStringLiteral("把本期收入与扣款填清楚");
    case WorkflowStep::review:
        return QStringLiteral("最后核对，再交付给员工");
    }
    return QString();
}

QString accessibleLabel(WorkflowStep step) {
    return QStringLiteral("第%1步，").arg(rawValue(step)) + title(step);
}

QString headingLine(WorkflowStep step) {
    return QStringLiteral("STEP 0%1 / 03").arg(rawValue(step));
}

} // namespace Workflow
