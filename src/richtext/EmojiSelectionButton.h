// Picks one emoji for a board: shows the emoji (or a smiling-face symbol when there is none), opens
// the emoji palette when pressed, and offers a small clear badge while an emoji is set.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class EmojiPalette;
class QToolButton;

class EmojiSelectionButton : public QWidget
{
    Q_OBJECT

public:
    explicit EmojiSelectionButton(int size = 44, QWidget* parent = nullptr);

    std::optional<QString> emoji() const { return m_emoji; }
    void setEmoji(std::optional<QString> emoji);
    // Called instead of opening the palette when set.
    void setOnTap(std::function<void()> onTap) { m_onTap = std::move(onTap); }

    QToolButton* faceButton() const { return m_face; }
    QToolButton* clearButton() const { return m_clear; }
    EmojiPalette* emojiPalette() const;

Q_SIGNALS:
    void emojiChanged(std::optional<QString> emoji);

private:
    void showState();

    int m_size;
    std::optional<QString> m_emoji;
    std::function<void()> m_onTap;
    QToolButton* m_face = nullptr;
    QToolButton* m_clear = nullptr;
    QPointer<EmojiPalette> m_palette;
};
