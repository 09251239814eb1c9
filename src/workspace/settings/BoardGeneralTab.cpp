#include "workspace/settings/BoardGeneralTab.h"

#include "plaintext/UntrustedText.h"
#include "workspace/BoardViewModel.h"
#include "workspace/settings/BoardNameField.h"
#include "workspace/settings/MemberDisplay.h"
#include "workspace/settings/RemoteInfoView.h"
#include "workspace/settings/SettingsWidgets.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

BoardGeneralTab::BoardGeneralTab(BoardSettingsContext context, int nameCharacterLimit, QWidget* parent)
    : QWidget(parent)
    , m_context(std::move(context))
{
    setObjectName(QStringLiteral("generalTab"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(14);

    QFrame* details = SettingsWidgets::panel(this);
    auto* grid = new QGridLayout(details);
    grid->setContentsMargins(14, 12, 14, 12);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(1, 1);
    const auto rowTitle = [details](const QString& text) {
        auto* label = new QLabel(text, details);
        label->setForegroundRole(QPalette::PlaceholderText);
        return label;
    };

    grid->addWidget(rowTitle(QStringLiteral("Board Name")), 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    auto* nameCell = new QWidget(details);
    auto* nameRow = new QHBoxLayout(nameCell);
    nameRow->setContentsMargins(0, 0, 0, 0);
    m_name = UntrustedText::label(QString(), nameCell);
    m_name->setObjectName(QStringLiteral("boardNameLabel"));
    m_rename = SettingsWidgets::button(QStringLiteral("Rename board"), QStringLiteral("square.and.pencil"), nameCell);
    m_rename->setObjectName(QStringLiteral("renameButton"));
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_rename);

    m_nameEditor = new QWidget(nameCell);
    auto* editorRow = new QHBoxLayout(m_nameEditor);
    editorRow->setContentsMargins(0, 0, 0, 0);
    m_nameField = new BoardNameField(nameCharacterLimit, m_nameEditor);
    m_nameField->setObjectName(QStringLiteral("boardNameField"));
    m_save = SettingsWidgets::button(QStringLiteral("Save"), QStringLiteral("checkmark.circle.fill"), m_nameEditor);
    m_save->setObjectName(QStringLiteral("saveNameButton"));
    m_cancel = SettingsWidgets::button(QStringLiteral("Cancel"), QStringLiteral("xmark.circle"), m_nameEditor);
    m_cancel->setObjectName(QStringLiteral("cancelNameButton"));
    editorRow->addWidget(m_nameField, 1);
    editorRow->addWidget(m_save);
    editorRow->addWidget(m_cancel);
    nameRow->addWidget(m_nameEditor, 1);
    grid->addWidget(nameCell, 0, 1);

    grid->addWidget(rowTitle(QStringLiteral("Board Owner")), 1, 0);
    m_owner = UntrustedText::label(QString(), details);
    m_owner->setObjectName(QStringLiteral("boardOwnerLabel"));
    grid->addWidget(m_owner, 1, 1);

    grid->addWidget(rowTitle(QStringLiteral("Storage")), 2, 0);
    auto* storageCell = new QWidget(details);
    auto* storageRow = new QHBoxLayout(storageCell);
    storageRow->setContentsMargins(0, 0, 0, 0);
    m_storage = new QLabel(storageCell);
    m_storage->setObjectName(QStringLiteral("storageLabel"));
    m_archived = new QLabel(QStringLiteral("Archived"), storageCell);
    m_archived->setObjectName(QStringLiteral("archivedLabel"));
    m_archived->setStyleSheet(QStringLiteral("QLabel { color: #e3a33b; border: 1px solid #e3a33b;"
                                             " border-radius: 4px; padding: 0px 6px; }"));
    storageRow->addWidget(m_storage);
    storageRow->addWidget(m_archived);
    storageRow->addStretch();
    grid->addWidget(storageCell, 2, 1);
    layout->addWidget(details);

    QFrame* quickCapture = SettingsWidgets::panel(this);
    auto* quickLayout = new QVBoxLayout(quickCapture);
    quickLayout->setContentsMargins(14, 12, 14, 12);
    quickLayout->setSpacing(4);
    m_quickCapture = new QCheckBox(QStringLiteral("Quick Capture Board"), quickCapture);
    m_quickCapture->setObjectName(QStringLiteral("quickCaptureSwitch"));
    quickLayout->addWidget(m_quickCapture);
    quickLayout->addWidget(SettingsWidgets::secondary(
        QStringLiteral("Use this board for Quick Capture from the tray. Only one board can be active."),
        quickCapture));
    layout->addWidget(quickCapture);

    m_remoteInfoButton = SettingsWidgets::button(QStringLiteral("Service details"), QStringLiteral("info.circle"), this);
    m_remoteInfoButton->setObjectName(QStringLiteral("remoteInfoButton"));
    m_remoteInfoButton->setCheckable(true);
    m_remoteInfo = new RemoteInfoView(this);
    layout->addWidget(m_remoteInfoButton, 0, Qt::AlignLeft);
    layout->addWidget(m_remoteInfo);
    layout->addStretch();

    connect(m_rename, &QPushButton::clicked, this, &BoardGeneralTab::startEditingName);
    connect(m_save, &QPushButton::clicked, this, &BoardGeneralTab::saveName);
    connect(m_cancel, &QPushButton::clicked, this, &BoardGeneralTab::cancelEditingName);
    connect(m_nameField, &QLineEdit::returnPressed, this, &BoardGeneralTab::saveName);
    connect(m_nameField, &QLineEdit::textChanged, this,
        [this](const QString& text) { m_save->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_quickCapture, &QCheckBox::clicked, this, [this](bool on) {
        m_context.workspace.setQuickCaptureBoard(on ? std::optional<Board>(m_board) : std::nullopt);
        showQuickCaptureState();
    });
    connect(&m_context.workspace, &BoardViewModel::quickCaptureBoardIdChanged, this,
        &BoardGeneralTab::showQuickCaptureState);
    connect(m_remoteInfoButton, &QPushButton::toggled, this, [this](bool shown) {
        m_showRemoteInfo = shown;
        showBoard();
    });
}

void BoardGeneralTab::setBoard(const Board& board, bool editable)
{
    m_board = board;
    m_editable = editable;
    if (!m_editable)
        m_isEditingName = false;
    showBoard();
}

void BoardGeneralTab::showBoard()
{
    m_name->setText(m_board.name);
    m_name->setVisible(!m_isEditingName);
    m_rename->setVisible(m_editable && !m_isEditingName);
    m_nameEditor->setVisible(m_isEditingName);

    if (!m_board.syncWithServer) {
        m_owner->setText(QStringLiteral("You"));
    } else {
        const auto owner = boardOwnerOf(m_board);
        m_owner->setText(owner ? memberDisplayName(*owner) : QStringLiteral("—"));
    }
    m_storage->setText(m_board.syncWithServer ? QStringLiteral("In Cloud") : QStringLiteral("On This Computer"));
    m_archived->setVisible(!m_board.isActive);

    m_remoteInfoButton->setVisible(m_board.syncWithServer);
    m_remoteInfo->setVisible(m_board.syncWithServer && m_showRemoteInfo);
    if (m_board.syncWithServer)
        m_remoteInfo->setBoard(m_board);
    showQuickCaptureState();
}

void BoardGeneralTab::showQuickCaptureState()
{
    m_quickCapture->setChecked(m_context.workspace.isQuickCaptureBoard(m_board.id));
}

void BoardGeneralTab::startEditingName()
{
    if (!m_editable)
        return;
    m_isEditingName = true;
    m_nameField->setText(m_board.name);
    showBoard();
    m_nameField->setFocus();
    m_nameField->selectAll();
}

void BoardGeneralTab::cancelEditingName()
{
    m_isEditingName = false;
    showBoard();
}

void BoardGeneralTab::saveName()
{
    if (!m_isEditingName)
        return;
    const QString name = m_nameField->text().trimmed();
    if (name.isEmpty())
        return;
    m_isEditingName = false;
    if (name != m_board.name) {
        Board renamed = m_board;
        renamed.name = name;
        renamed.updatedAt = QDateTime::currentDateTimeUtc();
        m_board = renamed;
        // The workspace reports a failure itself; the window follows its board.
        (void)m_context.workspace.renameBoard(renamed);
    }
    showBoard();
}
