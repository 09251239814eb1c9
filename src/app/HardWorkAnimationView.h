// The working animation of the text improvement: a few rounded placeholder bars with a soft white
// highlight, tilted about 14°, sweeping across them once every 2.4 seconds.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <optional>

struct ShimmerBar
{
    std::optional<int> width; // absent: the full width
    int height = 16;
    int cornerRadius = 6;
};

class HardWorkAnimationView : public QWidget
{
    Q_OBJECT

public:
    static constexpr double sweepSeconds = 2.4;

    explicit HardWorkAnimationView(QWidget* parent = nullptr);

    // The animation's progress, 0 to 1 within one sweep.
    double phase() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QList<ShimmerBar> m_bars;
    QTimer m_timer;
    QElapsedTimer m_clock;
};
