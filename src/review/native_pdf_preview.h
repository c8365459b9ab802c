#pragma once

#include <QByteArray>
#include <QWidget>

class QBuffer;
class QPdfDocument;
class QPdfView;

// The statement's PDF shown in the window: pages one below the other, fitted to the
// width. A new document is made only when the bytes differ from the last ones, so
// redrawing with the same PDF keeps the reader's place.
class NativePDFPreview : public QWidget {
    Q_OBJECT
public:
    explicit NativePDFPreview(QWidget *parent = nullptr);
    ~NativePDFPreview() override;

    void setData(const QByteArray &data);
    QByteArray last() const { return m_last; }
    int loadCount() const { return m_loads; }
    QPdfView *view() const { return m_view; }
    QPdfDocument *document() const { return m_document; }

private:
    QPdfView *m_view;
    QPdfDocument *m_document = nullptr;
    QBuffer *m_buffer = nullptr;
    QByteArray m_last;
    int m_loads = 0;
};
