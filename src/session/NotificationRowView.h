// One notification in the popover: the envelope (the mark-as-read control while unread), the
// headline, the sentence with its names emphasised, and the content of the item concerned.
#pragma once

#include "domain/Notification.h"
#include "session/NotificationText.h"

#include <QFrame>

class QLabel;
class QToolButton;

class NotificationRowView : public QFrame
{
    Q_OBJECT

public:
    static inline const QString markReadToolTip = QStringLiteral("Mark notification as read");

    NotificationRowView(
        const NotificationItem& notification, const NotificationText& text, QWidget* parent = nullptr);

    const NotificationItem& notification() const { return m_notification; }
    bool isUnread() const { return !m_notification.readAt; }

    // The sentence as rich text, names in the emphasised colour.
    static QString sentenceHtml(const NotificationText& text);

Q_SIGNALS:
    void clicked();
    void markReadRequested();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    NotificationItem m_notification;
    QToolButton* m_envelope = nullptr;
};
