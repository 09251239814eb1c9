#include "app/ItemRowGeometry.h"

#include <algorithm>

void ItemRowGeometry::setWidth(int width)
{
    if (width == m_width)
        return;
    m_width = width;
    forgetMeasurements();
}

void ItemRowGeometry::forgetMeasurements()
{
    m_measured.clear();
    m_measuredSum = 0;
}

void ItemRowGeometry::remember(const QUuid& itemId, size_t textKey, int height)
{
    auto found = m_measured.find(itemId);
    if (found == m_measured.end()) {
        m_measured.insert(itemId, {textKey, height});
    } else {
        m_measuredSum -= found->height;
        *found = {textKey, height};
    }
    m_measuredSum += height;
}

int ItemRowGeometry::estimate() const
{
    return m_measured.isEmpty() ? initialEstimate : int(m_measuredSum / m_measured.size());
}

int ItemRowGeometry::expectedHeight(const QUuid& itemId, size_t textKey) const
{
    const auto found = m_measured.constFind(itemId);
    if (found != m_measured.constEnd() && found->textKey == textKey)
        return found->height;
    return estimate();
}

void ItemRowGeometry::setHeights(std::vector<int> heights)
{
    m_heights = std::move(heights);
    m_topsDirty = true;
}

bool ItemRowGeometry::setHeight(qsizetype row, int height)
{
    int& current = m_heights.at(size_t(row));
    if (current == height)
        return false;
    current = height;
    m_topsDirty = true;
    return true;
}

void ItemRowGeometry::updateTops() const
{
    if (!m_topsDirty)
        return;
    m_tops.resize(m_heights.size());
    int y = topMargin;
    for (size_t row = 0; row < m_heights.size(); ++row) {
        m_tops[row] = y;
        y += m_heights[row] + spacing;
    }
    m_topsDirty = false;
}

int ItemRowGeometry::top(qsizetype row) const
{
    updateTops();
    return m_tops.at(size_t(row));
}

int ItemRowGeometry::contentHeight() const
{
    if (m_heights.empty())
        return topMargin + bottomMargin;
    return top(rowCount() - 1) + m_heights.back() + bottomMargin;
}

qsizetype ItemRowGeometry::rowAt(int y) const
{
    if (m_heights.empty())
        return -1;
    updateTops();
    const auto after = std::upper_bound(m_tops.begin(), m_tops.end(), y);
    return std::max<qsizetype>(0, (after - m_tops.begin()) - 1);
}
