#include "app/rounded_panel.h"

#include <QPainter>
#include <QPainterPath>

RoundedPanel::RoundedPanel(Fill fill, qreal radius, QWidget *parent)
    : QWidget(parent), m_fill(std::move(fill)), m_radius(radius) {}

void RoundedPanel::setFill(Fill fill) {
    m_fill = std::move(fill);
    update();
}

void RoundedPanel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    const qreal radius = m_radius < 0 ? r.height() / 2 : m_radius;
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.fillPath(path, m_fill(palette()));
}
