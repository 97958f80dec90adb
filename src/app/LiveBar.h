#pragma once

#include <QColor>
#include <QWidget>

namespace ostrevik {

// The live pressure bar at the main window's left edge: a vertical gauge
// filled from the bottom, 0..254, with the value as a whole percentage of the
// range in its middle.
class LiveBar : public QWidget {
    Q_OBJECT
public:
    explicit LiveBar(QWidget* parent = nullptr);

    static constexpr int kMax = 254;

    void setValue(int value);  // clamped to 0..254
    int value() const { return value_; }
    void setForegroundColor(const QColor& color);
    QColor foregroundColor() const { return foreground_; }
    QString percentText() const;

    QSize sizeHint() const override { return {41, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int value_ = 0;
    QColor foreground_{0, 255, 0};  // lime
};

}  // namespace ostrevik
