// Upper bounds on every text the service accepts from a client. A length is counted in
// user-perceived characters (grapheme clusters) and, separately, in UTF-16 code units: one letter
// carrying thousands of combining marks is one character, so the character count alone would let
// an unbounded text through. No text may hold U+0000: PostgreSQL cannot store it, and would have
// cut the text short there.
#pragma once

#include <QString>
#include <optional>

struct TextLimit
{
    int characters;
    int codeUnits;
};

namespace TextLimits {

inline constexpr TextLimit email {254, 254};
inline constexpr TextLimit displayName {100, 800};
inline constexpr TextLimit boardName {100, 800};
inline constexpr TextLimit boardInfo {2000, 8000};
inline constexpr TextLimit itemContent {300, 3000};
inline constexpr TextLimit feedback {5000, 20000};
inline constexpr TextLimit deviceNonce {128, 128};
inline constexpr TextLimit invitationCode {32, 32};
// Tokens the service issued are far shorter; anything longer is not one of them.
inline constexpr TextLimit token {256, 256};

int graphemeCount(const QString& text);
// Why the text does not fit, naming it as `what`; empty when it fits.
std::optional<QString> problem(const QString& what, const QString& text, TextLimit limit);
// The code of the refusal of a text that has a problem: INVALID_TEXT when it holds U+0000, else
// `overLimit`.
QString refusalCode(const QString& text, const QString& overLimit);
// Refuses a text that does not fit with 400 FIELD_TOO_LONG (or INVALID_TEXT) naming the field.
void require(const QString& field, const QString& text, TextLimit limit);

}
