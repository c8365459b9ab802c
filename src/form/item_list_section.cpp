#include "form/item_list_section.h"

#include "app/icons.h"
#include "form/line_item_editors.h"

#include <QFrame>
#include <QPushButton>
#include <QVBoxLayout>

ItemListSection::ItemListSection(const QString &header, const QString &footer,
                                 const QString &addText, const QString &totalLabel, Rows rows,
                                 QWidget *parent)
    : FormSection(header, footer, parent), m_rows(std::move(rows)), m_list(new QWidget(this)),
      m_add(new QPushButton(Icons::named("list-add"), addText, this)),
      m_total(new TotalLine(totalLabel, this)) {
    auto *list = new QVBoxLayout(m_list);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);
    content()->addWidget(m_list);
    content()->addWidget(m_add, 0, Qt::AlignLeft);
    content()->addWidget(m_total);
    connect(m_add, &QPushButton::clicked, this, [this] {
        m_rows.append();
        emit edited();
    });
}

QList<LineItemEditor *> ItemListSection::editors() const {
    QList<LineItemEditor *> ordered;
    for (const QUuid &id : m_rows.ids())
        if (LineItemEditor *e = m_editors.value(id)) ordered.append(e);
    return ordered;
}

void ItemListSection::sync(const std::optional<qint64> &total) {
    const QList<QUuid> ids = m_rows.ids();
    for (auto it = m_editors.begin(); it != m_editors.end();) {
        if (!ids.contains(it.key())) {
            it.value()->deleteLater();
            it.value()->hide();
            it = m_editors.erase(it);
        } else {
            ++it;
        }
    }
    auto *list = static_cast<QVBoxLayout *>(m_list->layout());
    for (qsizetype i = 0; i < ids.size(); ++i) {
        LineItemEditor *editor = m_editors.value(ids[i]);
        if (!editor) {
            const QUuid id = ids[i];
            editor = m_rows.editor(id, m_list);
            connect(editor, &LineItemEditor::edited, this, &ItemListSection::edited);
            // Removing deletes the editor that asked, so it runs after its click.
            connect(
                editor, &LineItemEditor::removeRequested, this,
                [this](QUuid removed) {
                    m_rows.remove(removed); // this row only: the others keep their editors
                    emit edited();
                },
                Qt::QueuedConnection);
            m_editors.insert(id, editor);
        } else {
            editor->refresh();
        }
        editor->setRowNumber(int(i) + 1);
        if (list->indexOf(editor) != int(i)) {
            list->removeWidget(editor);
            list->insertWidget(int(i), editor);
        }
    }
    m_add->setEnabled(ids.size() < PayrollDraft::maximumRows);
    m_total->setValue(total);
}
