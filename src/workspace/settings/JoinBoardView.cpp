#include "workspace/settings/JoinBoardView.h"
#include "accessible/AccessibleShortcut.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

JoinBoardView::JoinBoardView(std::function<void(const QString& code)> onJoin, QWidget* parent)
    : QDialog(parent)
    , m_onJoin(std::move(onJoin))
{
    setObjectName(QStringLiteral("joinBoard"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Join Board"));
    setModal(true);
    setMinimumWidth(380);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 20, 22, 18);
    layout->setSpacing(10);

    auto* title = new QLabel(QStringLiteral("Join Board"), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 3);
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);

    auto* text = new QLabel(QStringLiteral("Enter an invitation code to join an existing board."), this);
    text->setWordWrap(true);
    text->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(text);

    m_code = new QLineEdit(this);
    m_code->setObjectName(QStringLiteral("invitationCode"));
    m_code->setPlaceholderText(QStringLiteral("Invitation Code"));
    m_code->setAccessibleName(QStringLiteral("Invitation code"));
    m_code->setMinimumHeight(30);
    layout->addWidget(m_code);
    layout->addSpacing(6);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    AccessibleShortcut::set(*m_cancel, QKeySequence(Qt::Key_Escape));
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setToolTip(QStringLiteral("Cancel (Esc)"));
    m_join = new QPushButton(QStringLiteral("Join"), this);
    AccessibleShortcut::set(*m_join, QKeySequence(Qt::Key_Return));
    m_join->setObjectName(QStringLiteral("joinButton"));
    m_join->setToolTip(QStringLiteral("Join board (Return)"));
    m_join->setDefault(true);
    m_join->setAutoDefault(true);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_join);
    layout->addLayout(buttons);

    // QDialog already maps Escape to reject and Return to the default button.
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_join, &QPushButton::clicked, this, &JoinBoardView::join);
    // An empty code can only fail at the service; Join waits for one.
    m_join->setEnabled(false);
    connect(m_code, &QLineEdit::textChanged, this,
        [this](const QString& text) { m_join->setEnabled(!text.trimmed().isEmpty()); });
}

void JoinBoardView::join()
{
    const QString code = m_code->text().trimmed();
    if (code.isEmpty())
        return;
    const auto onJoin = m_onJoin;
    accept();
    if (onJoin)
        onJoin(code);
}
