// A member's role on a board. Any role text the service invents is kept as a custom role.
#pragma once

#include <QString>

class BoardRole
{
public:
    enum class Kind { owner, editor, custom };

    static BoardRole owner() { return BoardRole(Kind::owner, {}); }
    static BoardRole editor() { return BoardRole(Kind::editor, {}); }
    static BoardRole custom(QString text) { return BoardRole(Kind::custom, std::move(text)); }

    // "owner", "Editor" and friends are recognised in any letter case; other texts stay as read.
    static BoardRole fromText(const QString& text);
    QString text() const;

    Kind kind() const { return m_kind; }
    QString customText() const { return m_customText; }

    friend bool operator==(const BoardRole& a, const BoardRole& b)
    {
        return a.m_kind == b.m_kind && (a.m_kind != Kind::custom || a.m_customText == b.m_customText);
    }
    // custom < editor < owner; two custom roles are unordered whatever their texts.
    friend bool operator<(const BoardRole& a, const BoardRole& b) { return a.rank() < b.rank(); }
    friend bool operator>(const BoardRole& a, const BoardRole& b) { return b < a; }

private:
    BoardRole(Kind kind, QString customText)
        : m_kind(kind)
        , m_customText(std::move(customText))
    {
    }
    int rank() const { return m_kind == Kind::owner ? 2 : m_kind == Kind::editor ? 1 : 0; }

    Kind m_kind;
    QString m_customText;
};
