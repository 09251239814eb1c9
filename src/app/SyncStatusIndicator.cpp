#include "app/SyncStatusIndicator.h"

#include "workspace/SyncStatus.h"

#include <QAccessible>

SyncStatusIndicator::SyncStatusIndicator(SyncStatus& status, QWidget* parent)
    : QLabel(parent)
    , m_status(status)
{
    setObjectName(QStringLiteral("syncStatusIndicator"));
    setFocusPolicy(Qt::TabFocus);
    setTextFormat(Qt::PlainText);
    connect(&m_status, &SyncStatus::changed, this, &SyncStatusIndicator::showStatus);
    showStatus();
}

void SyncStatusIndicator::showStatus()
{
    const QString text = m_status.text();
    const bool changed = text != this->text();
    setText(text);
    setToolTip(m_status.detail());
    setAccessibleName(QStringLiteral("Sync status: ") + text);
    setAccessibleDescription(m_status.detail());
    setVisible(m_status.hasCloudBoards());
    if (changed && isVisible()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}
