#include "richtext/MentionPopoverView.h"

#include "plaintext/UntrustedText.h"
#include "richtext/MentionIdentity.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap circular(const QPixmap& source, int size)
{
    QPixmap result(size, size);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addEllipse(0, 0, size, size);
    painter.setClipPath(clip);
    painter.drawPixmap(0, 0, source.scaled(size, size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation));
    return result;
}

} // namespace

MentionPopoverView::MentionPopoverView(const BoardUser& user, QWidget* parent)
    : QWidget(parent)
    , m_avatar(UntrustedText::label(QString(), this))
    , m_name(UntrustedText::label(MentionIdentity::name(user), this))
{
    setObjectName(QStringLiteral("mentionPopoverView"));
    setAutoFillBackground(true);
    m_avatar->setObjectName(QStringLiteral("avatar"));
    m_name->setObjectName(QStringLiteral("name"));
    m_avatar->setFixedSize(avatarSize, avatarSize);
    m_avatar->setAlignment(Qt::AlignCenter);
    m_avatar->setText(MentionIdentity::initials(m_name->text()));
    m_avatar->setStyleSheet(QStringLiteral("QLabel { background-color: rgba(142, 142, 147, 51); border-radius: %1px; }")
            .arg(avatarSize / 2));
    QFont nameFont = m_name->font();
    nameFont.setBold(true);
    m_name->setFont(nameFont);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(10);
    layout->addWidget(m_avatar);
    layout->addWidget(m_name, 1);

    const QUrl address(user.avatarUrl.value_or(QString()), QUrl::StrictMode);
    if (address.isValid() && !address.scheme().isEmpty())
        loadAvatar(address);
}

QString MentionPopoverView::name() const
{
    return m_name->text();
}

QString MentionPopoverView::initials() const
{
    return m_showsImage ? QString() : m_avatar->text();
}

void MentionPopoverView::loadAvatar(const QUrl& address)
{
    m_network = new QNetworkAccessManager(this);
    QNetworkReply* reply = m_network->get(QNetworkRequest(address));
    connect(reply, &QNetworkReply::finished, this, [this, reply] { avatarReceived(reply); });
}

void MentionPopoverView::avatarReceived(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError)
        return;
    QPixmap image;
    // An address that yields no image keeps the initials.
    if (!image.loadFromData(reply->readAll()))
        return;
    m_avatar->setStyleSheet(QString());
    m_avatar->setText(QString());
    m_avatar->setPixmap(circular(image, avatarSize));
    m_showsImage = true;
    Q_EMIT avatarLoaded();
}
