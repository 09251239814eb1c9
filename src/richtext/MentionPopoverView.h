// A mentioned member: the avatar (or a circle with the initials while there is none) and the name.
#pragma once

#include "domain/BoardUser.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QNetworkAccessManager;
class QNetworkReply;

class MentionPopoverView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int avatarSize = 32;

    explicit MentionPopoverView(const BoardUser& user, QWidget* parent = nullptr);

    QString name() const;
    QString initials() const;
    bool showsAvatarImage() const { return m_showsImage; }

Q_SIGNALS:
    void avatarLoaded();

private:
    void loadAvatar(const QUrl& address);
    void avatarReceived(QNetworkReply* reply);

    QLabel* m_avatar = nullptr;
    QLabel* m_name = nullptr;
    QNetworkAccessManager* m_network = nullptr;
    bool m_showsImage = false;
};
