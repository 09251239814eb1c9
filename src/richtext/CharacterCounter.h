// The counter under the editor: characters left against a limit, and how urgent that looks.
#pragma once

#include <QString>

struct CharacterCounter
{
    enum class Tone { normal, warning, overLimit };

    qsizetype remaining = 0;
    Tone tone = Tone::normal;

    // Counts user-perceived characters, so an emoji uses one of the allowance.
    static CharacterCounter forText(const QString& text, qsizetype maxCharacters);

    QString text() const;
};
