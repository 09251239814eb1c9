// The view state an item list shares with its cards: the card being edited (at most one) and the card
// under the pointer.
#pragma once

#include <QObject>
#include <QUuid>

#include <optional>

class ItemListState : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    std::optional<QUuid> editingItemId() const { return m_editingItemId; }
    std::optional<QUuid> hoveredItemId() const { return m_hoveredItemId; }

    void setEditingItemId(std::optional<QUuid> id)
    {
        if (m_editingItemId == id)
            return;
        m_editingItemId = id;
        Q_EMIT editingItemIdChanged();
    }
    void setHoveredItemId(std::optional<QUuid> id)
    {
        if (m_hoveredItemId == id)
            return;
        m_hoveredItemId = id;
        Q_EMIT hoveredItemIdChanged();
    }

Q_SIGNALS:
    void editingItemIdChanged();
    void hoveredItemIdChanged();

private:
    std::optional<QUuid> m_editingItemId;
    std::optional<QUuid> m_hoveredItemId;
};
