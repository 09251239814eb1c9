#include "workspace/settings/InvitationPanel.h"

#include "plaintext/UntrustedText.h"
#include "symbols/SymbolIcons.h"
#include "workspace/BoardViewModel.h"
#include "workspace/settings/SettingsWidgets.h"

#include <QClipboard>
#include <QCoro/QCoroTask>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

InvitationPanel::InvitationPanel(BoardSettingsContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(std::move(context))
{
    setObjectName(QStringLiteral("invitationPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    const QIcon symbol = SymbolIcons::icon(QStringLiteral("link.badge.plus"), palette().color(QPalette::WindowText));
    if (!symbol.isNull()) {
        auto* icon = new QLabel(this);
        icon->setObjectName(QStringLiteral("inviteMembersSymbol"));
        icon->setPixmap(symbol.pixmap(16, 16));
        header->addWidget(icon);
    }
    header->addWidget(SettingsWidgets::title(QStringLiteral("Invite Members"), this, 0.5));
    header->addStretch();
    m_generate = SettingsWidgets::button(QStringLiteral("Generate Code"), QStringLiteral("sparkles"), this);
    m_generate->setObjectName(QStringLiteral("generateCodeButton"));
    header->addWidget(m_generate);
    layout->addLayout(header);

    m_codeBox = new QWidget(this);
    auto* codeLayout = new QVBoxLayout(m_codeBox);
    codeLayout->setContentsMargins(0, 0, 0, 0);
    codeLayout->setSpacing(6);
    auto* codeRow = new QHBoxLayout;
    m_code = UntrustedText::label(QString(), m_codeBox);
    m_code->setObjectName(QStringLiteral("invitationCode"));
    m_code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(mono.pointSizeF() + 4);
    mono.setBold(true);
    m_code->setFont(mono);
    m_copy = SettingsWidgets::button(QStringLiteral("Copy invite code"), QStringLiteral("doc.on.doc"), m_codeBox);
    m_copy->setObjectName(QStringLiteral("copyCodeButton"));
    codeRow->addWidget(m_code, 1);
    codeRow->addWidget(m_copy);
    codeLayout->addLayout(codeRow);
    auto* noteRow = new QHBoxLayout;
    noteRow->addWidget(SettingsWidgets::secondary(QStringLiteral("One-time code expires in 10 min."), m_codeBox), 1);
    m_regenerate = new QPushButton(QStringLiteral("Generate a new code"), m_codeBox);
    m_regenerate->setObjectName(QStringLiteral("regenerateCodeButton"));
    m_regenerate->setFlat(true);
    noteRow->addWidget(m_regenerate);
    codeLayout->addLayout(noteRow);
    layout->addWidget(m_codeBox);

    connect(m_generate, &QPushButton::clicked, this, &InvitationPanel::generate);
    connect(m_regenerate, &QPushButton::clicked, this, &InvitationPanel::generate);
    connect(m_copy, &QPushButton::clicked, this, &InvitationPanel::copyCode);
    showState();
}

void InvitationPanel::setBoard(const Board& board)
{
    // A code belongs to its board: another board starts without one.
    if (board.id != m_board.id)
        m_invitationCode.reset();
    m_board = board;
    showState();
}

void InvitationPanel::generate()
{
    if (m_isGenerating || !m_board.syncWithServer || !m_board.isActive)
        return;
    m_isGenerating = true;
    showState();
    const QUuid boardId = m_board.id;
    QCoro::connect(m_context.workspace.createInvitation(m_board), this, [this, boardId](ApiResult<QString> result) {
        m_isGenerating = false;
        if (boardId == m_board.id) {
            if (result) {
                m_invitationCode = *result;
                Q_EMIT invitationCodeChanged();
            } else if (m_context.workspace.findBoard(boardId)) {
                // A revoked board has already been reported by the workspace.
                m_context.toasts.showError(result.error().description());
            }
        }
        showState();
    });
}

void InvitationPanel::copyCode()
{
    if (m_invitationCode)
        QGuiApplication::clipboard()->setText(*m_invitationCode);
}

void InvitationPanel::showState()
{
    m_generate->setVisible(!m_invitationCode);
    m_generate->setEnabled(!m_isGenerating);
    m_codeBox->setVisible(m_invitationCode.has_value());
    m_code->setText(m_invitationCode.value_or(QString()));
    m_regenerate->setEnabled(!m_isGenerating);
    m_copy->setEnabled(!m_isGenerating);
}
