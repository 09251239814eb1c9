#include "session/AvatarLoader.h"

#include "session/PlainHttpFetch.h"

#include <QPointer>
#include <QStringList>

namespace {
// A picture is small; a slow host should not keep the account window waiting for long.
constexpr std::chrono::milliseconds pictureTimeout {15000};

QString firstLetter(const QString& word)
{
    // Whole user-perceived characters would be nicer, but a surrogate pair must at least stay whole.
    if (word.isEmpty())
        return {};
    const qsizetype length = word.at(0).isHighSurrogate() && word.size() > 1 ? 2 : 1;
    return word.left(length).toUpper();
}
} // namespace

AvatarLoader::AvatarLoader(QObject* parent)
    : QObject(parent)
{
}

QString AvatarLoader::initials(const User& user)
{
    const QStringList words
        = user.displayName.value_or(QString()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() == 1)
        return firstLetter(words.first());
    if (words.size() > 1)
        return firstLetter(words.first()) + firstLetter(words.last());
    return firstLetter(user.email.trimmed());
}

QCoro::Task<void> AvatarLoader::load(QUrl avatarUrl)
{
    if (avatarUrl == m_url)
        co_return;
    m_url = avatarUrl;
    if (!m_image.isNull()) {
        m_image = QImage();
        Q_EMIT imageChanged();
    }
    if (avatarUrl.isEmpty())
        co_return;

    QPointer<AvatarLoader> self(this);
    const std::expected<PlainHttpFetch::Document, QString> body
        = co_await PlainHttpFetch::get(&m_network, avatarUrl, pictureTimeout);
    // A newer address may have been asked for meanwhile; only its picture counts.
    if (!self || m_url != avatarUrl || !body)
        co_return;
    QImage image = QImage::fromData(body->body);
    if (image.isNull())
        co_return;
    m_image = std::move(image);
    Q_EMIT imageChanged();
}
