#include "review/native_pdf_preview.h"

#include <QBuffer>
#include <QPdfDocument>
#include <QPdfView>
#include <QVBoxLayout>

NativePDFPreview::NativePDFPreview(QWidget *parent) : QWidget(parent), m_view(new QPdfView(this)) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setPageMode(QPdfView::PageMode::MultiPage);
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    m_view->setBackgroundRole(QPalette::Window);
    // The view takes focus to scroll with the keyboard; a screen reader names it.
    m_view->setAccessibleName(QStringLiteral("工资单预览"));
    m_view->setAccessibleDescription(QStringLiteral("没有可显示的页面"));
}

NativePDFPreview::~NativePDFPreview() {
    m_view->setDocument(nullptr);
    delete m_document;
    delete m_buffer;
}

void NativePDFPreview::setData(const QByteArray &data) {
    if (data == m_last) return; // also true for the first, empty bytes: no document at all
    m_last = data;
    ++m_loads;
    // The document reads from its buffer for as long as it lives, so both are replaced together.
    auto *buffer = new QBuffer(this);
    buffer->setData(data);
    buffer->open(QIODevice::ReadOnly);
    auto *document = new QPdfDocument(this);
    document->load(buffer);
    const bool ready = document->status() == QPdfDocument::Status::Ready;
    m_view->setDocument(ready ? document : nullptr);
    m_view->setAccessibleDescription(ready ? QStringLiteral("共 %1 页").arg(document->pageCount())
                                           : QStringLiteral("没有可显示的页面"));
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    delete m_document;
    delete m_buffer;
    m_document = document;
    m_buffer = buffer;
}
