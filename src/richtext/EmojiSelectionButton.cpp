#include "richtext/EmojiSelectionButton.h"

#include "richtext/EditorColors.h"
#include "richtext/EmojiPalette.h"

#include <QToolButton>

EmojiSelectionButton::EmojiSelectionButton(int size, QWidget* parent)
    : QWidget(parent)
    , m_size(size)
    , m_face(new QToolButton(this))
    , m_clear(new QToolButton(this))
{
    setObjectName(QStringLiteral("emojiSelectionButton"));
    setFixedSize(size, size);
    m_face->setObjectName(QStringLiteral("emojiFace"));
    m_face->setGeometry(0, 0, size, size);
    m_face->setAutoRaise(true);
    m_face->setAccessibleName(QStringLiteral("Choose emoji"));

    const int badge = static_cast<int>(0.6 * size);
    m_clear->setObjectName(QStringLiteral("clearEmojiButton"));
    m_clear->setGeometry(size - badge, 0, badge, badge);
    m_clear->setText(QStringLiteral("✕"));
    m_clear->setToolTip(QStringLiteral("Clear emoji"));
    m_clear->setAccessibleName(QStringLiteral("Clear emoji"));
    m_clear->setAutoRaise(true);
    QFont badgeFont = m_clear->font();
    badgeFont.setPixelSize(std::max(1, static_cast<int>(0.4 * size)));
    m_clear->setFont(badgeFont);
    QColor badgeColor = EditorColors::secondaryLabel(QWidget::palette());
    badgeColor.setAlphaF(0.9f);
    QPalette badgeColors = m_clear->palette();
    badgeColors.setColor(QPalette::ButtonText, badgeColor);
    m_clear->setPalette(badgeColors);

    connect(m_clear, &QToolButton::clicked, this, [this] { setEmoji(std::nullopt); });
    connect(m_face, &QToolButton::clicked, this, [this] {
        if (m_onTap) {
            m_onTap();
            return;
        }
        if (!m_palette) {
            m_palette = new EmojiPalette(this);
            connect(m_palette, &EmojiPalette::emojiPicked, this, [this](const QString& picked) { setEmoji(picked); });
        }
        m_palette->popup(mapToGlobal(QPoint(0, height())));
    });
    showState();
}

EmojiPalette* EmojiSelectionButton::emojiPalette() const
{
    return m_palette.data();
}

void EmojiSelectionButton::setEmoji(std::optional<QString> emoji)
{
    if (emoji && emoji->isEmpty())
        emoji.reset();
    if (emoji == m_emoji)
        return;
    m_emoji = std::move(emoji);
    showState();
    Q_EMIT emojiChanged(m_emoji);
}

void EmojiSelectionButton::showState()
{
    QFont font = m_face->font();
    QPalette colors = m_face->palette();
    if (m_emoji) {
        m_face->setText(*m_emoji);
        font.setPixelSize(std::max(1, static_cast<int>(0.6 * m_size)));
        colors.setColor(QPalette::ButtonText, QWidget::palette().color(QPalette::ButtonText));
    } else {
        m_face->setText(QStringLiteral("☺"));
        font.setPixelSize(std::max(1, static_cast<int>(0.5 * m_size)));
        colors.setColor(QPalette::ButtonText, EditorColors::secondaryLabel(QWidget::palette()));
    }
    m_face->setFont(font);
    m_face->setPalette(colors);
    m_clear->setVisible(m_emoji.has_value());
    m_clear->raise();
}
