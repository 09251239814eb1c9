#include "richtext/EmojiPalette.h"

#include "richtext/EmojiCatalog.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

EmojiPalette::EmojiPalette(QWidget* parent)
    : QFrame(parent, Qt::Popup)
    , m_search(new QLineEdit(this))
    , m_grid(new QListWidget(this))
{
    setObjectName(QStringLiteral("emojiPalette"));
    setFrameShape(QFrame::StyledPanel);
    m_search->setObjectName(QStringLiteral("emojiSearch"));
    m_search->setPlaceholderText(QStringLiteral("Search emoji"));
    m_search->setClearButtonEnabled(true);
    m_grid->setObjectName(QStringLiteral("emojiGrid"));
    m_grid->setViewMode(QListView::IconMode);
    m_grid->setResizeMode(QListView::Adjust);
    m_grid->setMovement(QListView::Static);
    m_grid->setUniformItemSizes(true);
    m_grid->setGridSize(QSize(34, 34));
    QFont emojiFont = m_grid->font();
    emojiFont.setPixelSize(22);
    m_grid->setFont(emojiFont);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_search);
    layout->addWidget(m_grid);
    resize(320, 300);

    connect(m_search, &QLineEdit::textChanged, this, &EmojiPalette::showMatches);
    connect(m_search, &QLineEdit::returnPressed, this, [this] {
        if (m_grid->count() > 0)
            pick(m_grid->item(0)->text());
    });
    connect(m_grid, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { pick(item->text()); });
    connect(m_grid, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { pick(item->text()); });
    showMatches(QString());
}

void EmojiPalette::popup(const QPoint& globalPosition)
{
    m_search->clear();
    move(globalPosition);
    show();
    m_search->setFocus(Qt::PopupFocusReason);
}

void EmojiPalette::pick(const QString& emoji)
{
    hide();
    Q_EMIT emojiPicked(emoji);
}

void EmojiPalette::showMatches(const QString& query)
{
    m_grid->clear();
    for (const EmojiEntry& entry : EmojiCatalog::search(query)) {
        auto* item = new QListWidgetItem(entry.emoji, m_grid);
        item->setToolTip(entry.name);
        item->setTextAlignment(Qt::AlignCenter);
    }
}
