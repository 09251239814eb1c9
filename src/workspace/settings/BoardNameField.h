// The board name field of the settings window and the new-board dialog: text typed or pasted past
// the limit is cut to the limit at once. The limit counts characters as the user sees them, so an
// emoji or an accented letter made of several code points counts once.
#pragma once

#include <QLineEdit>

// The first `limit` user-visible characters of the text.
QString limitBoardName(const QString& text, int limit);
int boardNameLength(const QString& text);

class BoardNameField : public QLineEdit
{
    Q_OBJECT

public:
    static constexpr int defaultCharacterLimit = 20;

    explicit BoardNameField(int characterLimit = defaultCharacterLimit, QWidget* parent = nullptr);

    int characterLimit() const { return m_characterLimit; }

private:
    void enforceLimit();

    int m_characterLimit;
};
