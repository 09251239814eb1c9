// The signed-in user's profile.
#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

struct User
{
    QUuid id;
    QString email;
    std::optional<QString> displayName;
    std::optional<QString> handle;
    std::optional<QString> avatarUrl;
    std::optional<QDateTime> lastLoginAt;
    QDateTime updatedAt;
};
