#include "app/ItemCardAIOverlay.h"

#include "app/HardWorkAnimationView.h"
#include "app/Palette.h"
#include "symbols/SymbolIcons.h"
#include "richtext/MentionTextView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

ItemCardAIOverlay::ItemCardAIOverlay(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("itemCardAIOverlay"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);

    m_working = new QWidget(this);
    auto* workingLayout = new QVBoxLayout(m_working);
    workingLayout->setContentsMargins(0, 0, 0, 0);
    workingLayout->setSpacing(10);
    m_animation = new HardWorkAnimationView(m_working);
    auto* workingText = new QLabel(QStringLiteral("Working to improve the content…"), m_working);
    workingText->setObjectName(QStringLiteral("improveWorkingText"));
    workingText->setStyleSheet(QStringLiteral("color: %1;").arg(Palette::secondaryText().name()));
    workingLayout->addWidget(m_animation);
    workingLayout->addWidget(workingText);
    layout->addWidget(m_working);

    m_resultPanel = new QWidget(this);
    auto* resultLayout = new QVBoxLayout(m_resultPanel);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    resultLayout->setSpacing(10);
    auto* heading = new QLabel(m_resultPanel);
    heading->setPixmap(SymbolIcons::pixmap(QStringLiteral("sparkles"), Palette::accent(), 14));
    m_resultText = new MentionTextView(m_resultPanel);
    m_resultText->setObjectName(QStringLiteral("improvedText"));
    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(8);
    buttons->addStretch(1);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), m_resultPanel);
    m_cancel->setObjectName(QStringLiteral("improveCancel"));
    m_edit = new QPushButton(QStringLiteral("Edit"), m_resultPanel);
    m_edit->setObjectName(QStringLiteral("improveEdit"));
    m_accept = new QPushButton(QStringLiteral("Accept"), m_resultPanel);
    m_accept->setObjectName(QStringLiteral("improveAccept"));
    m_accept->setDefault(true);
    m_accept->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                                           "border-radius: 6px; padding: 4px 12px; }")
                                .arg(Palette::accent().name()));
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_accept);
    resultLayout->addWidget(heading);
    resultLayout->addWidget(m_resultText);
    resultLayout->addLayout(buttons);
    layout->addWidget(m_resultPanel);

    auto* acceptKey = new QShortcut(QKeySequence(Qt::Key_Return), this);
    acceptKey->setContext(Qt::WidgetWithChildrenShortcut);
    auto* acceptEnter = new QShortcut(QKeySequence(Qt::Key_Enter), this);
    acceptEnter->setContext(Qt::WidgetWithChildrenShortcut);
    auto* cancelKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancelKey->setContext(Qt::WidgetWithChildrenShortcut);

    const auto accept = [this] {
        if (m_state.result)
            Q_EMIT accepted(*m_state.result);
    };
    connect(m_accept, &QPushButton::clicked, this, accept);
    connect(acceptKey, &QShortcut::activated, this, accept);
    connect(acceptEnter, &QShortcut::activated, this, accept);
    connect(m_edit, &QPushButton::clicked, this, [this] {
        if (m_state.result)
            Q_EMIT editRequested(*m_state.result);
    });
    connect(m_cancel, &QPushButton::clicked, this, &ItemCardAIOverlay::cancelled);
    connect(cancelKey, &QShortcut::activated, this, &ItemCardAIOverlay::cancelled);
    setState({});
}

void ItemCardAIOverlay::setMentionCandidates(const QList<BoardUser>& candidates)
{
    m_candidates = candidates;
}

void ItemCardAIOverlay::setState(const ItemCardMagicState& state)
{
    m_state = state;
    m_working->setVisible(state.isWorking);
    m_resultPanel->setVisible(!state.isWorking && state.result.has_value());
    if (state.result && !state.isWorking) {
        m_resultText->updateContent(*state.result, m_candidates);
        m_accept->setFocus();
    }
}

QString ItemCardAIOverlay::shownResult() const
{
    return !m_state.isWorking && m_state.result ? m_resultText->text() : QString();
}

void ItemCardAIOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 10, 10);
    painter.fillPath(path, Palette::itemCardBackground().lighter(108));
    painter.setPen(QPen(Palette::accent(), 1.2));
    painter.drawPath(path);
}
