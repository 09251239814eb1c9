#include "richtext/MarkdownCheatsheetView.h"

#include "richtext/MentionTextView.h"

#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

const QList<MarkdownCheatsheetView::Entry>& MarkdownCheatsheetView::entries()
{
    static const QList<Entry> list {
        {QStringLiteral("bold"), QStringLiteral("Bold"), QStringLiteral("**bold**"), std::nullopt},
        {QStringLiteral("italic"), QStringLiteral("Italic"), QStringLiteral("*italic*"), std::nullopt},
        {QStringLiteral("link"), QStringLiteral("Link"), QStringLiteral("[name](link)"),
            QStringLiteral("[name](https://plenko.net)")},
        {QStringLiteral("code"), QStringLiteral("Highlight"), QStringLiteral("`highlight`"), std::nullopt},
        {QStringLiteral("strikethrough"), QStringLiteral("Strike Through"), QStringLiteral("~~strike~~"), std::nullopt},
        {QStringLiteral("list"), QStringLiteral("List"), QStringLiteral("- list"), QStringLiteral("- list")},
    };
    return list;
}

MarkdownCheatsheetView::MarkdownCheatsheetView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("markdownCheatsheet"));
    setFixedWidth(panelWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(0);

    const QFont monospace = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QList<Entry>& all = entries();
    for (qsizetype i = 0; i < all.size(); ++i) {
        const Entry& entry = all.at(i);
        auto* row = new QWidget(this);
        auto* grid = new QGridLayout(row);
        grid->setContentsMargins(rowPadding, rowPadding, rowPadding, rowPadding);
        grid->setColumnMinimumWidth(0, syntaxColumnWidth);
        grid->setColumnMinimumWidth(1, exampleColumnWidth);

        auto* syntax = new QLabel(entry.example, row);
        syntax->setObjectName(QStringLiteral("syntax-") + entry.id);
        syntax->setFont(monospace);
        syntax->setTextFormat(Qt::PlainText);
        syntax->setAccessibleName(entry.title + QStringLiteral(" markdown syntax"));

        auto* example = new MentionTextView(row);
        example->setObjectName(QStringLiteral("example-") + entry.id);
        example->setAccessibleName(entry.title + QStringLiteral(" example"));
        example->setFallbackWidth(exampleColumnWidth);
        example->updateContent(entry.renderedMarkdown.value_or(entry.example), {});

        grid->addWidget(syntax, 0, 0, Qt::AlignVCenter);
        grid->addWidget(example, 0, 1, Qt::AlignVCenter);
        layout->addWidget(row);

        if (i + 1 < all.size()) {
            auto* divider = new QFrame(this);
            divider->setObjectName(QStringLiteral("divider"));
            divider->setFrameShape(QFrame::HLine);
            divider->setFrameShadow(QFrame::Plain);
            layout->addWidget(divider);
        }
    }
}

MentionTextView* MarkdownCheatsheetView::exampleView(const QString& id) const
{
    return findChild<MentionTextView*>(QStringLiteral("example-") + id);
}
