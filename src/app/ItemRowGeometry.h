// Where each row of the item list sits while only the rows near the view have widgets: the heights
// cards measured (per item, kept while the width and the item's text stay the same), an estimate for
// rows not measured yet, and the running tops that find a row by its position.
#pragma once

#include <QHash>
#include <QUuid>

#include <vector>

class ItemRowGeometry
{
public:
    static constexpr int topMargin = 14;
    static constexpr int bottomMargin = 84;
    static constexpr int spacing = 8;
    // Until a card is measured, a row is expected to be about as tall as a two-line card.
    static constexpr int initialEstimate = 76;

    // Measurements are only good for the width they were taken at.
    void setWidth(int width);
    int width() const { return m_width; }
    void forgetMeasurements();

    // What a card of the item measured with this text at the current width.
    void remember(const QUuid& itemId, size_t textKey, int height);
    // The remembered height when the text is the same, otherwise the mean of the measured ones.
    int expectedHeight(const QUuid& itemId, size_t textKey) const;
    int estimate() const;

    void setHeights(std::vector<int> heights);
    // Whether the row's height changed.
    bool setHeight(qsizetype row, int height);
    qsizetype rowCount() const { return qsizetype(m_heights.size()); }
    int height(qsizetype row) const { return m_heights.at(size_t(row)); }
    int top(qsizetype row) const;
    int contentHeight() const;
    // The row at the position (a gap belongs to the row above it); -1 without rows.
    qsizetype rowAt(int y) const;

private:
    struct Measured
    {
        size_t textKey = 0;
        int height = 0;
    };
    void updateTops() const;

    int m_width = -1;
    QHash<QUuid, Measured> m_measured;
    qint64 m_measuredSum = 0;
    std::vector<int> m_heights;
    mutable std::vector<int> m_tops;
    mutable bool m_topsDirty = true;
};
