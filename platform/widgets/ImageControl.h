#pragma once

#include <QLabel>

// The image control: shows a picture unscaled from its top-left corner (a larger picture is
// clipped) and reports a click.
class TImage : public QLabel {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};
