// The account picture: fetched once per address from the profile's avatarUrl, with the initials to
// draw when there is no picture or it cannot be loaded.
#pragma once

#include "domain/User.h"

#include <QCoro/QCoroTask>
#include <QImage>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

class AvatarLoader : public QObject
{
    Q_OBJECT

public:
    explicit AvatarLoader(QObject* parent = nullptr);

    // Up to two letters: the first letters of the first and last words of the display name, else
    // the first letter of the e-mail address; empty without either.
    static QString initials(const User& user);

    // Loads the picture of the address unless it is the one already loaded or loading; an empty
    // address forgets the picture.
    QCoro::Task<void> load(QUrl avatarUrl);

    QUrl url() const { return m_url; }
    const QImage& image() const { return m_image; }

Q_SIGNALS:
    void imageChanged();

private:
    QNetworkAccessManager m_network;
    QUrl m_url;
    QImage m_image;
};
