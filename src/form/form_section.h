#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;

// One section of the grouped form: an optional header, a card holding the entries,
// and an optional footer hint.
class FormSection : public QWidget {
    Q_OBJECT
public:
    FormSection(const QString &header, const QString &footer, QWidget *parent = nullptr);
    QVBoxLayout *content() const { return m_content; }
    QString header() const;
    QString footer() const;

private:
    QLabel *m_header = nullptr;
    QLabel *m_footer = nullptr;
    QVBoxLayout *m_content;
};

// A row holding a label, a flexible space and a value in bold.
class TotalLine : public QWidget {
    Q_OBJECT
public:
    TotalLine(const QString &label, QWidget *parent = nullptr);
    void setValue(const std::optional<qint64> &cents);
    QString valueText() const;

private:
    QLabel *m_value;
};
