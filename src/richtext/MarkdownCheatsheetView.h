// The panel that teaches the markdown items understand: each syntax beside its rendered form.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class MentionTextView;

class MarkdownCheatsheetView : public QWidget
{
    Q_OBJECT

public:
    struct Entry
    {
        QString id;
        QString title;
        QString example;
        std::optional<QString> renderedMarkdown; // shown instead of `example` when present
    };

    static constexpr int panelWidth = 320;
    static constexpr int padding = 20;
    static constexpr int rowPadding = 8;
    static constexpr int syntaxColumnWidth = 140;
    static constexpr int exampleColumnWidth = 120;

    static const QList<Entry>& entries();

    explicit MarkdownCheatsheetView(QWidget* parent = nullptr);

    // The rendered form of the entry with `id`, or nullptr.
    MentionTextView* exampleView(const QString& id) const;
};
