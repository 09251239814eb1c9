#include "app/ItemCardView.h"

#include "app/AppAccessibility.h"
#include "app/KeyboardMenus.h"
#include "app/AppNotifications.h"
#include "app/ItemCardKeyboard.h"
#include "app/ItemListState.h"
#include "app/ItemTextImprover.h"
#include "app/MemberNames.h"
#include "app/NotificationCenter.h"
#include "app/Palette.h"
#include "symbols/SymbolIcons.h"
#include "richtext/DocumentPlainText.h"
#include "plaintext/UntrustedText.h"
#include "richtext/EditorView.h"
#include "richtext/MentionTextView.h"
#include "symbols/SymbolIcons.h"
#include "workspace/BoardViewModel.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QToolButton* smallButton(QWidget* parent, const QString& objectName, const QString& symbol, const QString& help)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setIcon(SymbolIcons::icon(symbol, Palette::secondaryText(), 14));
    button->setIconSize(QSize(14, 14));
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 3px; border-radius: 5px; }"
                                         "QToolButton:hover { background: %1; }")
                              .arg(Palette::hover().name())
        + Palette::focusRingRule(QStringLiteral("QToolButton")));
    return button;
}

QLabel* metadataRow(QWidget* parent, QVBoxLayout* layout, const QString& symbol, const QString& title)
{
    auto* row = new QHBoxLayout();
    row->setSpacing(6);
    auto* icon = new QLabel(parent);
    icon->setPixmap(SymbolIcons::pixmap(symbol, Palette::secondaryText(), 12));
    auto* label = new QLabel(title, parent);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(Palette::secondaryText().name()));
    auto* value = UntrustedText::label(QString(), parent);
    value->setStyleSheet(QStringLiteral("color: %1;").arg(Palette::primaryText().name()));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(icon);
    row->addWidget(label);
    row->addStretch(1);
    row->addWidget(value);
    layout->addLayout(row);
    return value;
}

QString dateText(const QDateTime& date)
{
    return date.isValid() ? QLocale().toString(date.toLocalTime(), QLocale::ShortFormat) : QStringLiteral("—");
}
}

ItemCardView::ItemCardView(const ViewContext& context, ItemListState& listState, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
    , m_listState(listState)
{
    setObjectName(QStringLiteral("itemCard"));
    AppAccessibility::install();
    setAcceptDrops(true);
    setAttribute(Qt::WA_Hover);
    // Cards take the focus so the keyboard reaches everything the mouse does: the menu, the status,
    // editing, archiving and deleting.
    setFocusPolicy(Qt::StrongFocus);
    new ItemCardKeyboard(*this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 10, 8);
    layout->setSpacing(4);

    m_content = new QWidget(this);
    auto* contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(4);
    m_text = new MentionTextView(m_content);
    m_text->setObjectName(QStringLiteral("itemText"));
    contentLayout->addWidget(m_text);

    m_moreButton = new QToolButton(m_content);
    m_moreButton->setObjectName(QStringLiteral("itemExpand"));
    m_moreButton->setAutoRaise(true);
    m_moreButton->setCursor(Qt::PointingHandCursor);
    m_moreButton->setStyleSheet(QStringLiteral("QToolButton { border: none; color: %1; padding: 0; }")
                                    .arg(Palette::accent().lighter(125).name()));
    connect(m_moreButton, &QToolButton::clicked, this, [this] {
        m_isExpanded = !m_isExpanded;
        updateClipping();
    });
    contentLayout->addWidget(m_moreButton, 0, Qt::AlignLeft);

    m_footer = new QHBoxLayout();
    QHBoxLayout* footer = m_footer;
    footer->setSpacing(4);
    m_assigneeButton = smallButton(m_content, QStringLiteral("assigneeButton"), QStringLiteral("person.crop.circle"),
        QStringLiteral("Assign to a board member"));
    m_assigneeButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(m_assigneeButton, &QToolButton::clicked, this, [this] {
        std::unique_ptr<QMenu> menu(makeAssigneeMenu(this));
        if (m_assigneeButton->hasFocus())
            KeyboardMenus::highlightFirstEntry(*menu);
        menu->exec(m_assigneeButton->mapToGlobal(QPoint(0, m_assigneeButton->height())));
    });
    m_assigneeName = UntrustedText::label(QString(), m_content);
    m_assigneeName->setObjectName(QStringLiteral("assigneeName"));
    m_assigneeName->setStyleSheet(QStringLiteral("color: %1;").arg(Palette::secondaryText().name()));
    footer->addWidget(m_assigneeButton);
    footer->addWidget(m_assigneeName);
    m_conflictMarker = new QToolButton(m_content);
    m_conflictMarker->setObjectName(QStringLiteral("conflictMarker"));
    m_conflictMarker->setText(QStringLiteral("Conflict copy"));
    m_conflictMarker->setToolTip(QStringLiteral("Your version of this item is kept aside. Show conflict copies"));
    m_conflictMarker->setCursor(Qt::PointingHandCursor);
    m_conflictMarker->setStyleSheet(QStringLiteral("QToolButton { border: 1px solid %1; border-radius: 8px; color: %1; "
                                                   "padding: 0 6px; font-size: 11px; }")
                                        .arg(Palette::conflict().name()));
    m_conflictMarker->hide();
    connect(m_conflictMarker, &QToolButton::clicked, this, &ItemCardView::conflictCopiesRequested);
    connect(&m_context.workspace.conflictCopies(), &ConflictCopies::changed, this, &ItemCardView::updateConflictMarker);
    footer->addWidget(m_conflictMarker);
    footer->addStretch(1);

    contentLayout->addLayout(footer);

    layout->addWidget(m_content);

    connect(&m_listState, &ItemListState::editingItemIdChanged, this, &ItemCardView::updateEditing);
    connect(&m_listState, &ItemListState::hoveredItemIdChanged, this, &ItemCardView::updateHoverActions);
    updateHoverActions();
}

ItemCardView::~ItemCardView() = default;

// The parts below are made the first time they are needed: a list builds dozens of cards at once,
// and most are never hovered, expanded into details, improved or dropped on.
QWidget* ItemCardView::hoverActions()
{
    if (m_hoverActions)
        return m_hoverActions;
    m_hoverActions = new QWidget(m_content);
    m_hoverActions->hide();
    auto* hoverLayout = new QHBoxLayout(m_hoverActions);
    hoverLayout->setContentsMargins(0, 0, 0, 0);
    hoverLayout->setSpacing(2);
    QToolButton* editButton = smallButton(m_hoverActions, QStringLiteral("hoverEdit"), QStringLiteral("pencil"),
        QStringLiteral("Edit"));
    QToolButton* copyButton = smallButton(m_hoverActions, QStringLiteral("hoverCopy"), QStringLiteral("doc.on.doc"),
        QStringLiteral("Copy content"));
    QToolButton* detailsButton = smallButton(m_hoverActions, QStringLiteral("hoverDetails"),
        QStringLiteral("info.circle"), QStringLiteral("Show details"));
    hoverLayout->addWidget(editButton);
    hoverLayout->addWidget(copyButton);
    hoverLayout->addWidget(detailsButton);
    connect(editButton, &QToolButton::clicked, this, [this] { trigger(ItemCardAction::edit); });
    connect(copyButton, &QToolButton::clicked, this, [this] { trigger(ItemCardAction::copyContent); });
    connect(detailsButton, &QToolButton::clicked, this, [this] { trigger(ItemCardAction::toggleDetails); });
    m_footer->addWidget(m_hoverActions);
    return m_hoverActions;
}

QWidget* ItemCardView::metadata()
{
    if (m_metadata)
        return m_metadata;
    m_metadata = new QWidget(m_content);
    m_metadata->setObjectName(QStringLiteral("itemMetadata"));
    auto* metadataLayout = new QVBoxLayout(m_metadata);
    metadataLayout->setContentsMargins(0, 4, 0, 2);
    metadataLayout->setSpacing(3);
    m_created = metadataRow(m_metadata, metadataLayout, QStringLiteral("calendar.badge.plus"), QStringLiteral("Created"));
    m_updated
        = metadataRow(m_metadata, metadataLayout, QStringLiteral("clock.arrow.circlepath"), QStringLiteral("Updated"));
    m_createdBy
        = metadataRow(m_metadata, metadataLayout, QStringLiteral("person.crop.circle"), QStringLiteral("Created By"));
    m_metadata->hide();
    m_content->layout()->addWidget(m_metadata);
    return m_metadata;
}

ItemCardAIOverlay* ItemCardView::ensureOverlay()
{
    if (m_overlay)
        return m_overlay;
    m_overlay = new ItemCardAIOverlay(this);
    m_overlay->hide();
    layout()->addWidget(m_overlay);
    m_overlay->setMentionCandidates(m_renderedMembers);
    connect(m_overlay, &ItemCardAIOverlay::accepted, this, [this](const QString& result) {
        Item updated = m_item;
        updated.content = result;
        updated.updatedAt = QDateTime::currentDateTimeUtc();
        setMagic({});
        Q_EMIT updateRequested(updated);
    });
    connect(m_overlay, &ItemCardAIOverlay::editRequested, this, [this](const QString& result) {
        setMagic({});
        m_pendingEditedContent = result;
        m_listState.setEditingItemId(m_item.id);
        updateEditing();
    });
    connect(m_overlay, &ItemCardAIOverlay::cancelled, this, [this] { setMagic({}); });

    return m_overlay;
}

QWidget* ItemCardView::dropLabel()
{
    if (m_dropLabel)
        return m_dropLabel;
    m_dropLabel = new QWidget(this);
    m_dropLabel->setObjectName(QStringLiteral("releaseToMergeBanner"));
    m_dropLabel->setAttribute(Qt::WA_StyledBackground);
    m_dropLabel->setStyleSheet(QStringLiteral("#releaseToMergeBanner { background: rgba(91, 141, 239, 200); "
                                              "border-radius: 10px; }"));
    auto* row = new QHBoxLayout(m_dropLabel);
    row->setSpacing(6);
    row->addStretch(1);
    auto* symbol = new QLabel(m_dropLabel);
    symbol->setObjectName(QStringLiteral("releaseToMergeSymbol"));
    symbol->setPixmap(SymbolIcons::pixmap(QStringLiteral("square.fill.on.square.fill"), Qt::white, 14));
    symbol->setAccessibleName(QStringLiteral("Merge"));
    auto* text = new QLabel(QStringLiteral("Release to merge"), m_dropLabel);
    text->setObjectName(QStringLiteral("releaseToMerge"));
    text->setStyleSheet(QStringLiteral("QLabel { color: white; font-weight: 600; }"));
    row->addWidget(symbol);
    row->addWidget(text);
    row->addStretch(1);
    m_dropLabel->hide();

    return m_dropLabel;
}

std::optional<Board> ItemCardView::board() const
{
    // Its own fields only (members, state): its items may be in the store still.
    return m_context.workspace.knownBoard(m_item.boardId);
}

QList<BoardUser> ItemCardView::members() const
{
    const std::optional<Board> found = board();
    return found ? found->users : QList<BoardUser>();
}

void ItemCardView::setItem(const Item& item)
{
    const bool sameItem = m_item.id == item.id;
    m_item = item;
    const QList<BoardUser> users = members();
    if (!m_hasRendered || !sameItem || m_renderedContent != item.content || m_renderedMembers != users) {
        m_renderedContent = item.content;
        m_renderedMembers = users;
        m_hasRendered = true;
        render();
    }
    updateAssignee();
    updateConflictMarker();
    if (m_isShowingMetadata)
        updateMetadata();
    updateEditing();
}

void ItemCardView::render()
{
    m_text->updateContent(m_item.content, m_renderedMembers);
    const QString plain = DocumentPlainText::of(*m_text->document());
    setAccessibleName(plain);
    // Heard on its own, the button says which item it assigns: by its first words, if it is long.
    QString start = plain.simplified();
    if (start.size() > 60) {
        const qsizetype space = start.lastIndexOf(QLatin1Char(' '), 60);
        start.truncate(space > 20 ? space : 60);
    }
    m_assigneeButton->setAccessibleName(QStringLiteral("Assign %1 to a board member").arg(start));
    if (m_overlay)
        m_overlay->setMentionCandidates(m_renderedMembers);
    updateClipping();
    updateGeometry();
}

void ItemCardView::updateClipping()
{
    const int available = std::max(80, width() - layout()->contentsMargins().left() - layout()->contentsMargins().right());
    m_text->setFallbackWidth(available);
    const int full = m_text->heightForWidth(available);
    m_isClipped = full > collapsedTextHeight;
    m_text->setMaximumHeight(m_isClipped && !m_isExpanded ? collapsedTextHeight : QWIDGETSIZE_MAX);
    m_moreButton->setVisible(m_isClipped);
    m_moreButton->setText(m_isExpanded ? QStringLiteral("Show less") : QStringLiteral("Show more"));
}

void ItemCardView::updateAssignee()
{
    std::optional<BoardUser> assignee;
    if (m_item.assignee) {
        const QList<BoardUser> users = m_renderedMembers;
        for (const BoardUser& user : users) {
            if (user.userId == *m_item.assignee)
                assignee = user;
        }
    }
    if (assignee) {
        m_assigneeName->setText(MemberNames::name(*assignee));
        m_assigneeButton->setIcon(SymbolIcons::icon(QStringLiteral("person.crop.circle"), Palette::accent(), 14));
    } else {
        m_assigneeName->clear();
        m_assigneeButton->setIcon(
            SymbolIcons::icon(QStringLiteral("person.crop.circle"), Palette::secondaryText(), 14));
    }
    m_assigneeName->setVisible(assignee.has_value());
    updateAccessibleDescription(assignee ? MemberNames::name(*assignee) : QString());
    // Read after the button's name in place of its tooltip, which would repeat the name.
    m_assigneeButton->setAccessibleDescription(
        assignee ? QStringLiteral("Assigned to ") + MemberNames::name(*assignee) : QStringLiteral("Not assigned"));
}

void ItemCardView::updateAccessibleDescription(const QString& assigneeName)
{
    static const std::array<QString, 3> statusNames { QStringLiteral("Todo"), QStringLiteral("In Progress"),
        QStringLiteral("Done") };
    QStringList parts { statusNames.at(static_cast<size_t>(m_item.status)) };
    if (m_item.isArchived())
        parts << QStringLiteral("Archived");
    parts << (assigneeName.isEmpty() ? QStringLiteral("Not assigned") : QStringLiteral("Assigned to ") + assigneeName);
    setAccessibleDescription(parts.join(QStringLiteral(", ")));
}

void ItemCardView::updateMetadata()
{
    m_created->setText(dateText(m_item.createdAt));
    m_updated->setText(dateText(m_item.updatedAt));
    QString author = m_item.author.value_or(QString());
    if (author.isEmpty()) {
        for (const BoardUser& user : std::as_const(m_renderedMembers)) {
            if (user.userId == m_item.createdBy)
                author = MemberNames::name(user);
        }
    }
    m_createdBy->setText(author.isEmpty() ? QStringLiteral("—") : author);
}

void ItemCardView::updateHoverActions()
{
    const bool hovered = m_listState.hoveredItemId() == m_item.id && !m_item.id.isNull();
    const bool offersEdit = !isEditing() && board().value_or(Board {}).isActive && !m_item.isArchived();
    if (!hovered && !m_hoverActions)
        return;
    hoverActions()->setVisible(hovered);
    if (auto* edit = m_hoverActions->findChild<QToolButton*>(QStringLiteral("hoverEdit")))
        edit->setVisible(offersEdit);
}

bool ItemCardView::isEditing() const
{
    return !m_item.id.isNull() && m_listState.editingItemId() == m_item.id;
}

void ItemCardView::updateEditing()
{
    const bool editing = isEditing();
    if (editing && !m_editor) {
        m_editor = new EditorView(this);
        m_editor->setObjectName(QStringLiteral("itemEditor"));
        m_editor->setMode(EditorMode::edit());
        m_editor->setPresentation(EditorPresentation::inlined);
        m_editor->setMentionCandidates(members());
        m_editor->setText(m_pendingEditedContent.value_or(m_item.content));
        m_pendingEditedContent.reset();
        static_cast<QVBoxLayout*>(layout())->insertWidget(1, m_editor);
        connect(m_editor, &EditorView::submitted, this, &ItemCardView::submitEdit);
        connect(m_editor, &EditorView::cancelled, this, [this] {
            if (isEditing())
                m_listState.setEditingItemId(std::nullopt);
        });
        EditorView* editor = m_editor;
        m_context.notifications.observe(AppNotification::requestEditorSave, editor, [editor] { editor->requestSave(); });
        m_content->hide();
        m_editor->show();
        m_editor->focusEditor();
    } else if (!editing && m_editor) {
        // The keyboard stays on the card whose editor it was in.
        const bool editorHadFocus = m_editor->isAncestorOf(QApplication::focusWidget());
        if (editorHadFocus)
            setFocus(Qt::OtherFocusReason);
        m_editor->hide();
        m_editor->deleteLater();
        m_editor = nullptr;
        m_content->setVisible(m_magic.isIdle());
    }
    updateHoverActions();
}

void ItemCardView::submitEdit(const QString& text)
{
    const bool changed = text != m_item.content;
    Item updated = m_item;
    updated.content = text;
    updated.updatedAt = QDateTime::currentDateTimeUtc();
    m_listState.setEditingItemId(std::nullopt);
    if (changed)
        Q_EMIT updateRequested(updated);
}

void ItemCardView::setHighlighted(bool highlighted)
{
    if (m_isHighlighted == highlighted)
        return;
    m_isHighlighted = highlighted;
    update();
}

QList<QWidget*> ItemCardView::tabStops() const
{
    return { m_moreButton, m_assigneeButton, m_conflictMarker };
}

QList<ItemCardMenuEntry> ItemCardView::menuEntries() const
{
    return ItemCardMenu::entries(m_item, board(), isEditing());
}

QMenu* ItemCardView::makeContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("itemContextMenu"));
    menu->setAccessibleName(QStringLiteral("Item actions"));
    const QList<ItemCardMenuEntry> entries = menuEntries();
    for (const ItemCardMenuEntry& entry : entries) {
        const bool destructive = entry.action == ItemCardAction::remove;
        if (destructive || entry.action == ItemCardAction::toggleDetails)
            menu->addSeparator();
        QAction* action = menu->addAction(
            SymbolIcons::icon(entry.symbol, destructive ? Palette::named(QStringLiteral("ErrorColor"))
                                                        : Palette::primaryText(), 14),
            entry.title);
        const ItemCardAction which = entry.action;
        QPointer<ItemCardView> self(this);
        connect(action, &QAction::triggered, this, [self, which] {
            if (self)
                self->trigger(which);
        });
    }
    return menu;
}

void ItemCardView::trigger(ItemCardAction action)
{
    if (const std::optional<ItemStatus> status = ItemCardMenu::targetStatus(action)) {
        Q_EMIT moveRequested(m_item, *status);
        return;
    }
    switch (action) {
    case ItemCardAction::archive:
        Q_EMIT archiveRequested(m_item, true);
        break;
    case ItemCardAction::unarchive:
        Q_EMIT archiveRequested(m_item, false);
        break;
    case ItemCardAction::improveText:
        startImprovement();
        break;
    case ItemCardAction::edit:
        m_listState.setEditingItemId(m_item.id);
        break;
    case ItemCardAction::remove:
        Q_EMIT deleteRequested(m_item);
        break;
    case ItemCardAction::toggleDetails:
        m_isShowingMetadata = !m_isShowingMetadata;
        metadata();
        if (m_isShowingMetadata)
            updateMetadata();
        m_metadata->setVisible(m_isShowingMetadata);
        break;
    case ItemCardAction::copyContent:
        copyContent();
        break;
    default:
        break;
    }
}

void ItemCardView::updateConflictMarker()
{
    m_conflictMarker->setVisible(m_context.workspace.conflictCopies().hasCopyOf(m_item.id));
}

void ItemCardView::copyContent()
{
    QApplication::clipboard()->setText(m_item.content);
    m_context.toasts.showSuccess(QStringLiteral("Copied item content"));
}

QMenu* ItemCardView::makeAssigneeMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("assigneeMenu"));
    menu->setAccessibleName(QStringLiteral("Assignee"));
    const QList<BoardUser> users = members();
    if (users.isEmpty()) {
        menu->addAction(QStringLiteral("No board users yet"))->setEnabled(false);
    }
    QPointer<ItemCardView> self(this);
    for (const BoardUser& user : users) {
        QAction* action = menu->addAction(MemberNames::name(user));
        action->setCheckable(true);
        action->setChecked(m_item.assignee == user.userId);
        const QUuid id = user.userId;
        connect(action, &QAction::triggered, this, [self, id] {
            if (self)
                self->assign(id);
        });
    }
    if (m_item.assignee) {
        menu->addSeparator();
        QAction* remove = menu->addAction(
            SymbolIcons::icon(QStringLiteral("person.crop.circle.badge.xmark"), Palette::primaryText(), 14),
            QStringLiteral("Remove Assignee"));
        connect(remove, &QAction::triggered, this, [self] {
            if (self)
                self->assign(std::nullopt);
        });
    }
    return menu;
}

void ItemCardView::assign(std::optional<QUuid> userId)
{
    if (m_item.assignee == userId)
        return;
    Item updated = m_item;
    updated.assignee = userId;
    updated.updatedAt = QDateTime::currentDateTimeUtc();
    Q_EMIT updateRequested(updated);
}

void ItemCardView::startImprovement()
{
    if (!m_magic.isIdle())
        return;
    setMagic({ true, std::nullopt });
    runImprovement(QPointer<ItemCardView>(this), m_context, m_item);
}

QCoro::Task<void> ItemCardView::runImprovement(QPointer<ItemCardView> card, ViewContext context, Item item)
{
    const std::optional<QString> improved = co_await ItemTextImprover::improve(
        QPointer<NetworkService>(&context.api), QPointer<BoardViewModel>(&context.workspace),
        QPointer<ToastManager>(&context.toasts), item);
    if (card)
        card->finishImprovement(improved);
}

void ItemCardView::finishImprovement(const std::optional<QString>& improved)
{
    setMagic(improved ? ItemCardMagicState { false, improved } : ItemCardMagicState {});
}

void ItemCardView::setMagic(const ItemCardMagicState& state)
{
    m_magic = state;
    if (state.isIdle() && !m_overlay) {
        m_content->setVisible(!m_editor);
        return;
    }
    ensureOverlay()->setState(state);
    m_overlay->setVisible(!state.isIdle());
    m_content->setVisible(state.isIdle() && !m_editor);
}

void ItemCardView::setDropTargeted(bool targeted)
{
    m_isDropTargeted = targeted;
    if (!targeted && !m_dropLabel) {
        update();
        return;
    }
    dropLabel()->setGeometry(rect().adjusted(4, 4, -4, -4));
    m_dropLabel->setVisible(targeted);
    if (targeted)
        m_dropLabel->raise();
    update();
}

void ItemCardView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Only the width decides how tall the text is; the layout settling the card's height does not.
    if (event->size().width() != event->oldSize().width())
        updateClipping();
    if (m_isDropTargeted)
        m_dropLabel->setGeometry(rect().adjusted(4, 4, -4, -4));
}

void ItemCardView::contextMenuEvent(QContextMenuEvent* event)
{
    // From the keyboard the pointer may be anywhere: open the menu on the card itself.
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(16, 16)) : event->globalPos();
    std::unique_ptr<QMenu> menu(makeContextMenu(this));
    if (event->reason() == QContextMenuEvent::Keyboard)
        KeyboardMenus::highlightFirstEntry(*menu);
    menu->exec(at);
}

void ItemCardView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void ItemCardView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void ItemCardView::enterEvent(QEnterEvent* event)
{
    m_isHovered = true;
    m_listState.setHoveredItemId(m_item.id);
    update();
    QWidget::enterEvent(event);
}

void ItemCardView::leaveEvent(QEvent* event)
{
    m_isHovered = false;
    if (m_listState.hoveredItemId() == m_item.id)
        m_listState.setHoveredItemId(std::nullopt);
    update();
    QWidget::leaveEvent(event);
}

void ItemCardView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_pressPosition = event->position().toPoint();
    }
    QWidget::mousePressEvent(event);
}

void ItemCardView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton) || isEditing() || !m_magic.isIdle()) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if ((event->position().toPoint() - m_pressPosition).manhattanLength() < QApplication::startDragDistance())
        return;
    m_pressed = false;
    auto* drag = new QDrag(this);
    drag->setMimeData(ItemTransfer { m_item.id, m_item.boardId }.toMimeData());
    drag->setPixmap(grab().scaledToWidth(std::min(width(), 260), Qt::SmoothTransformation));
    drag->setHotSpot(QPoint(12, 12));
    drag->exec(Qt::MoveAction);
}

void ItemCardView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const std::optional<Board> found = board();
    if (event->button() == Qt::LeftButton && !isEditing() && (!found || found->isActive) && !m_item.isArchived())
        m_listState.setEditingItemId(m_item.id);
    QWidget::mouseDoubleClickEvent(event);
}

void ItemCardView::dragEnterEvent(QDragEnterEvent* event)
{
    const auto transfer = ItemTransfer::read(event->mimeData());
    if (!transfer || transfer->itemId == m_item.id || isEditing()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setDropTargeted(true);
}

void ItemCardView::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_isDropTargeted)
        event->acceptProposedAction();
    else
        event->ignore();
}

void ItemCardView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropTargeted(false);
    QWidget::dragLeaveEvent(event);
}

void ItemCardView::dropEvent(QDropEvent* event)
{
    setDropTargeted(false);
    const auto transfer = ItemTransfer::read(event->mimeData());
    if (!transfer || transfer->itemId == m_item.id) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Q_EMIT mergeRequested(m_item, *transfer);
}

void ItemCardView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    const QColor background
        = m_isHovered ? Palette::named(QStringLiteral("ItemCardHoverBgColor")) : Palette::itemCardBackground();
    painter.fillPath(path, background);
    QColor border = Palette::separator();
    qreal borderWidth = 1;
    if (m_isDropTargeted || m_isHighlighted) {
        border = Palette::accent();
        borderWidth = 1.5;
    }
    painter.setPen(QPen(border, borderWidth, m_isDropTargeted ? Qt::DashLine : Qt::SolidLine));
    painter.drawPath(path);
    if (hasFocus())
        Palette::paintFocusRing(painter, QRectF(rect()), 10);
}
