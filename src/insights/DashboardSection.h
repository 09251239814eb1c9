// One section of the dashboard: a title, the question it answers, its chart (or the empty state)
// at a fixed height, and a line saying what the chart counts. Knows whether the pointer is over it.
#pragma once

#include <QFrame>

class QLabel;

struct DashboardSectionText
{
    QString title;
    QString insight;
    std::optional<QString> detail;
};

class DashboardSection : public QFrame
{
    Q_OBJECT

public:
    static constexpr int chartHeight = 220;

    // Without a chart the section shows its empty state; the section takes ownership of the chart.
    DashboardSection(const DashboardSectionText& text, QWidget* chart, QWidget* parent = nullptr);

    bool isEmpty() const { return m_isEmpty; }
    bool isHovering() const { return m_isHovering; }
    QString title() const;

Q_SIGNALS:
    void hoveringChanged(bool hovering);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setHovering(bool hovering);

    QLabel* m_title;
    bool m_isEmpty;
    bool m_isHovering = false;
};
