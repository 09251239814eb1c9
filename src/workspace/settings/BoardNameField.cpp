#include "workspace/settings/BoardNameField.h"

#include <QTextBoundaryFinder>

namespace {
// Positions just after each of the first `limit` grapheme clusters; the last one is the cut point.
qsizetype cutPosition(const QString& text, int limit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int counted = 0;
    qsizetype position = 0;
    while (counted < limit) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text.size();
        position = next;
        ++counted;
    }
    return position;
}
}

QString limitBoardName(const QString& text, int limit)
{
    if (limit <= 0)
        return {};
    return text.left(cutPosition(text, limit));
}

int boardNameLength(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

BoardNameField::BoardNameField(int characterLimit, QWidget* parent)
    : QLineEdit(parent)
    , m_characterLimit(characterLimit)
{
    setPlaceholderText(QStringLiteral("Board name"));
    connect(this, &QLineEdit::textChanged, this, &BoardNameField::enforceLimit);
}

void BoardNameField::enforceLimit()
{
    const QString current = text();
    const QString limited = limitBoardName(current, m_characterLimit);
    if (limited == current)
        return;
    const int cursor = std::min(cursorPosition(), static_cast<int>(limited.size()));
    setText(limited);
    setCursorPosition(cursor);
}
