// What the editor is for: a new item, an existing item, or a host's own purpose with its own
// button title and placeholder (feedback, board description).
#pragma once

#include <QString>

struct EditorMode
{
    enum class Kind { create, edit, custom };

    Kind kind = Kind::create;
    QString primaryButtonTitle; // custom only
    QString placeholder;        // custom only

    static EditorMode create() { return { Kind::create, {}, {} }; }
    static EditorMode edit() { return { Kind::edit, {}, {} }; }
    static EditorMode custom(const QString& primaryButtonTitle, const QString& placeholder)
    {
        return { Kind::custom, primaryButtonTitle, placeholder };
    }

    friend bool operator==(const EditorMode&, const EditorMode&) = default;
};

// Where the editor sits: over a column (floating), in place on a card (inlined; "inline" is taken
// by the language), or inside a host's own frame (embedded).
enum class EditorPresentation { floating, inlined, embedded };
