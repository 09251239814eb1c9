#include "app/quickcapture/QuickCaptureComposer.h"

#include "app/Palette.h"
#include "plaintext/UntrustedText.h"
#include "richtext/EditorView.h"
#include "session/AuthState.h"
#include "workspace/BoardViewModel.h"
#include "workspace/undo/ItemHistory.h"

#include <QCoro/QCoroTask>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The system orange, darkened by 0.26.
QColor headerOrange()
{
    return QColor::fromRgbF(1.0f * 0.74f, 0.584f * 0.74f, 0.0f);
}

QLabel* label(const QString& text, const QColor& color, QWidget* parent, qreal points = 0)
{
    auto* shown = new QLabel(text, parent);
    shown->setWordWrap(true);
    QPalette palette = shown->palette();
    palette.setColor(QPalette::WindowText, color);
    shown->setPalette(palette);
    if (points > 0) {
        QFont font = shown->font();
        font.setPointSizeF(points);
        shown->setFont(font);
    }
    return shown;
}

// Middle truncation: a long board name keeps its start and its end.
class MiddleElidedLabel : public QLabel
{
public:
    explicit MiddleElidedLabel(QWidget* parent)
        : QLabel(parent)
    {
        UntrustedText::makePlain(this);
    }
    void setFullText(const QString& text)
    {
        m_full = text;
        setToolTip(UntrustedText::toolTip(text));
        updateText();
    }
    QString fullText() const { return m_full; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        updateText();
    }
    QSize minimumSizeHint() const override { return QSize(40, QLabel::minimumSizeHint().height()); }

private:
    void updateText() { setText(fontMetrics().elidedText(m_full, Qt::ElideMiddle, std::max(width(), 40))); }
    QString m_full;
};
}

QuickCaptureComposer::QuickCaptureComposer(BoardViewModel& workspace, QPointer<AuthState> auth, QWidget* parent)
    : QWidget(parent)
    , m_workspace(workspace)
    , m_auth(std::move(auth))
{
    setObjectName(QStringLiteral("quickCaptureComposer"));
    setMinimumWidth(360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages);

    m_noBoardPage = new QWidget(m_pages);
    m_noBoardPage->setObjectName(QStringLiteral("noQuickCaptureBoard"));
    auto* noBoard = new QVBoxLayout(m_noBoardPage);
    noBoard->setContentsMargins(2, 2, 2, 2);
    noBoard->setSpacing(6);
    QLabel* header = label(QStringLiteral("SET A QUICK CAPTURE BOARD"), headerOrange(), m_noBoardPage);
    QFont headerFont = header->font();
    headerFont.setBold(true);
    header->setFont(headerFont);
    noBoard->addWidget(header);
    noBoard->addWidget(label(QStringLiteral("Choose a board in settings and enable \"Quick Capture Board\" to use "
                                            "this tray panel."),
        Palette::primaryText(), m_noBoardPage));
    noBoard->addWidget(label(QStringLiteral("Board -> Settings -> Enable Quick Capture Board."),
        Palette::secondaryText(), m_noBoardPage));
    noBoard->addStretch();
    m_pages->addWidget(m_noBoardPage);

    m_loadingPage = new QWidget(m_pages);
    m_loadingPage->setObjectName(QStringLiteral("loadingQuickCaptureBoard"));
    auto* loading = new QVBoxLayout(m_loadingPage);
    loading->addWidget(label(QStringLiteral("Loading quick capture board…"), Palette::secondaryText(), m_loadingPage));
    loading->addStretch();
    m_pages->addWidget(m_loadingPage);

    m_readyPage = new QWidget(m_pages);
    m_readyPage->setObjectName(QStringLiteral("quickCaptureReady"));
    auto* ready = new QVBoxLayout(m_readyPage);
    ready->setContentsMargins(0, 0, 0, 0);
    ready->setSpacing(8);
    auto* titleRow = new QHBoxLayout;
    auto* name = new MiddleElidedLabel(m_readyPage);
    name->setObjectName(QStringLiteral("quickCaptureBoardName"));
    QFont twelve = name->font();
    twelve.setPointSizeF(12);
    twelve.setBold(true);
    name->setFont(twelve);
    QPalette namePalette = name->palette();
    namePalette.setColor(QPalette::WindowText, Palette::primaryText());
    name->setPalette(namePalette);
    m_boardName = name;
    QLabel* todo = label(QStringLiteral("TODO"), Palette::statusColor(0), m_readyPage, 12);
    todo->setWordWrap(false);
    m_submitted = label(QString(), Palette::named(QStringLiteral("SuccessColor")), m_readyPage);
    m_submitted->setObjectName(QStringLiteral("quickCaptureSubmitted"));
    m_submitted->setWordWrap(false);
    titleRow->addWidget(m_boardName, 1);
    titleRow->addWidget(m_submitted);
    titleRow->addWidget(todo);
    ready->addLayout(titleRow);
    m_editor = new EditorView(m_readyPage);
    m_editor->setObjectName(QStringLiteral("quickCaptureEditor"));
    m_editor->setMaxCharacters(maxCharacters);
    m_editor->setPresentation(EditorPresentation::embedded);
    m_editor->setShowsCancelButton(false);
    m_editor->setShowsMarkdownHelpButton(false);
    ready->addWidget(m_editor, 1);
    m_pages->addWidget(m_readyPage);

    m_submittedTimer = new QTimer(this);
    m_submittedTimer->setSingleShot(true);
    m_submittedTimer->setInterval(2000);
    connect(m_submittedTimer, &QTimer::timeout, this, [this] {
        m_didSubmit = false;
        m_submitted->clear();
    });

    connect(m_editor, &EditorView::textChanged, this, [this](const QString& text) { m_draft = text; });
    connect(m_editor, &EditorView::submitted, this, [this] { submit(); });
    connect(&m_workspace, &BoardViewModel::quickCaptureBoardIdChanged, this, &QuickCaptureComposer::showState);
    connect(&m_workspace, &BoardViewModel::boardsChanged, this, &QuickCaptureComposer::showState);
    showState();
}

QuickCaptureComposer::State QuickCaptureComposer::state() const
{
    if (!m_workspace.quickCaptureBoardId())
        return State::noBoard;
    return m_workspace.quickCaptureBoard() ? State::ready : State::loading;
}

QWidget* QuickCaptureComposer::currentPage() const
{
    return m_pages->currentWidget();
}

void QuickCaptureComposer::setDraft(const QString& draft)
{
    m_editor->setText(draft);
    m_draft = m_editor->text();
}

void QuickCaptureComposer::focusEditor()
{
    if (state() == State::ready)
        m_editor->focusEditor();
}

void QuickCaptureComposer::showState()
{
    switch (state()) {
    case State::noBoard:
        m_pages->setCurrentWidget(m_noBoardPage);
        break;
    case State::loading:
        m_pages->setCurrentWidget(m_loadingPage);
        break;
    case State::ready:
        static_cast<MiddleElidedLabel*>(m_boardName)->setFullText(m_workspace.quickCaptureBoard()->name);
        m_pages->setCurrentWidget(m_readyPage);
        break;
    }
}

void QuickCaptureComposer::submit()
{
    const std::optional<Board> chosen = m_workspace.quickCaptureBoard();
    const QString content = m_draft.trimmed();
    if (m_isSubmitting || !chosen || content.isEmpty())
        return;
    // With its items: the new one goes after the last of them.
    const std::optional<Board> board = m_workspace.findBoard(chosen->id);
    if (!board)
        return;

    Item item;
    item.id = QUuid::createUuid();
    item.content = content;
    item.status = ItemStatus::todo;
    qint64 largest = 0;
    for (const Item& existing : board->items)
        largest = std::max(largest, existing.order);
    item.order = largest + 1;
    item.boardId = board->id;
    if (m_auth && m_auth->currentUser())
        item.createdBy = m_auth->currentUser()->id;
    item.createdAt = QDateTime::currentDateTimeUtc();
    item.updatedAt = item.createdAt;

    m_isSubmitting = true;
    m_editor->setPrimaryActionInFlight(true);
    const QString boardName = board->name;
    QCoro::connect(ItemHistory::of(m_workspace).addItem(item, *board), this, [this, boardName] {
        m_isSubmitting = false;
        m_editor->setPrimaryActionInFlight(false);
        m_didSubmit = true;
        m_editor->setText(QString());
        m_draft.clear();
        m_submitted->setText(QStringLiteral("Added ✓"));
        m_submittedTimer->start();
        Q_EMIT itemAdded();
    });
}

void QuickCaptureComposer::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.fillRect(rect(), Palette::mainContentBackground());
}
