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

QString arrivalMessage(WorkflowStep step) {
    return accessibleLabel(step) + QStringLiteral("：") + guidance(step);
}

QString failedStepMessage(qsizetype problemCount, const QString &firstProblem) {
    return QStringLiteral("还有 %1 项需要填写：%2").arg(problemCount).arg(firstProblem);
}

std::optional<QString> blockingProblem(WorkflowStep step, const PayrollDraft &draft) {
    switch (step) {
    case WorkflowStep::basic:
        return draft.basicsProblem();
    case WorkflowStep::amounts:
        return draft.problem();
    case WorkflowStep::review:
        break;
    }
    return std::nullopt;
}

WorkflowStep editingStep(const PayrollDraft &draft) {
    return blockingProblem(WorkflowStep::basic, draft) ? WorkflowStep::basic
                                                       : WorkflowStep::amounts;
}

ActionTexts texts(DraftAction action) {
    const QString replace =
        QStringLiteral("将替换当前填写内容，请先保存需要的 PDF。取消会保留全部输入。");
    switch (action) {
    case DraftAction::sample:
        return {"tools-wizard", QStringLiteral("载入虚构示例"), QStringLiteral("载入示例"), replace,
                false};
    case DraftAction::nextEmployee:
        return {"contact-new", QStringLiteral("下一位员工"), QStringLiteral("下一位员工"),
                QStringLiteral("新建下一位员工会清除员工、金额和备注，保留雇主、日期与显示设置。"
                               "请先保存当前 PDF。"),
                false};
    case DraftAction::clear:
        break;
    }
    return {"edit-delete", QStringLiteral("清空所有资料"), QStringLiteral("确认清空"), replace,
            true};
}

} // namespace Workflow
