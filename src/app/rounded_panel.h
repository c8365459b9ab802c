#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

// A container drawn as a filled rounded rectangle (a capsule when the radius is
// negative). The fill is asked for at every paint, so it follows the appearance.
class RoundedPanel : public QWidget {
    Q_OBJECT
public:
    using Fill = std::function<QColor(const QPalette &)>;
    RoundedPanel(Fill fill, qreal radius, QWidget *parent = nullptr);
    void setFill(Fill fill);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Fill m_fill;
    qreal m_radius;
};
