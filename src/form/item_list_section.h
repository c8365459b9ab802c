#pragma once

#include "form/form_section.h"
#include "payroll/payroll_draft.h"

#include <QHash>
#include <QUuid>

#include <functional>
#include <optional>

class LineItemEditor;
class QPushButton;
class TotalLine;

// A section of line items: one editor per row, kept with its row by id, the add button
// (up to 30 rows) and the running total.
class ItemListSection : public FormSection {
    Q_OBJECT
public:
    struct Rows {
        std::function<QList<QUuid>()> ids;
        std::function<void()> append;
        std::function<void(QUuid)> remove;
        std::function<LineItemEditor *(QUuid, QWidget *)> editor;
    };

    ItemListSection(const QString &header, const QString &footer, const QString &addText,
                    const QString &totalLabel, Rows rows, QWidget *parent = nullptr);

    QPushButton *addButton() const { return m_add; }
    TotalLine *total() const { return m_total; }
    QList<LineItemEditor *> editors() const;

    // Matches the editors to the rows and shows the total.
    void sync(const std::optional<qint64> &total);

signals:
    void edited();

private:
    Rows m_rows;
    QWidget *m_list;
    QHash<QUuid, LineItemEditor *> m_editors;
    QPushButton *m_add;
    TotalLine *m_total;
};
