#include "workspace/settings/NewBoardView.h"
#include "accessible/AccessibleShortcut.h"

#include "richtext/EmojiSelectionButton.h"
#include "workspace/settings/BoardNameField.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
QLabel* secondaryLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// One storage choice: the radio button with its title, and the description indented under it.
QWidget* storageChoice(QRadioButton* button, const QString& description, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(button);
    auto* text = secondaryLabel(description, box);
    text->setContentsMargins(24, 0, 0, 0);
    layout->addWidget(text);
    return box;
}
}

NewBoardView::NewBoardView(bool signedIn, OnSave onSave, QWidget* parent)
    : QDialog(parent)
    , m_onSave(std::move(onSave))
{
    setObjectName(QStringLiteral("newBoard"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("New Board"));
    setModal(true);
    setMinimumWidth(440);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 20, 22, 18);
    layout->setSpacing(10);

    auto* title = new QLabel(QStringLiteral("New Board"), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 3);
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);

    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(10);
    m_emoji = new EmojiSelectionButton(36, this);
    m_emoji->setObjectName(QStringLiteral("boardEmoji"));
    m_name = new BoardNameField(BoardNameField::defaultCharacterLimit, this);
    m_name->setObjectName(QStringLiteral("boardName"));
    m_name->setAccessibleName(QStringLiteral("Board name"));
    // The dialog opens ready for the name; the emoji is optional.
    m_name->setFocus(Qt::OtherFocusReason);
    m_name->setMinimumHeight(32);
    nameRow->addWidget(m_emoji);
    nameRow->addWidget(m_name, 1);
    layout->addLayout(nameRow);

    m_limitHint = secondaryLabel(
        QStringLiteral("Name can be max ") + QString::number(m_name->characterLimit()) + QStringLiteral(" characters"),
        this);
    m_limitHint->setObjectName(QStringLiteral("limitHint"));
    layout->addWidget(m_limitHint);
    layout->addSpacing(6);

    auto* storageTitle = new QLabel(QStringLiteral("Storage Preference"), this);
    QFont bold = storageTitle->font();
    bold.setBold(true);
    storageTitle->setFont(bold);
    layout->addWidget(storageTitle);

    m_cloud = new QRadioButton(QStringLiteral("In Cloud"), this);
    m_cloud->setObjectName(QStringLiteral("cloudChoice"));
    m_local = new QRadioButton(QStringLiteral("On This Computer"), this);
    m_local->setObjectName(QStringLiteral("localChoice"));
    auto* group = new QButtonGroup(this);
    group->addButton(m_cloud);
    group->addButton(m_local);
    layout->addWidget(storageChoice(m_cloud,
        QStringLiteral("Stored in the cloud and shareable with others. Data remains available after "
                       "reinstall/relogin."),
        this));
    layout->addWidget(storageChoice(m_local,
        QStringLiteral("Not shared; stored only on this device. Removing the app removes the data. "
                       "Nothing is sent to servers."),
        this));

    m_signInNote = new QLabel(QStringLiteral("Sign in to enable cloud sync"), this);
    m_signInNote->setObjectName(QStringLiteral("signInNote"));
    m_signInNote->setStyleSheet(QStringLiteral("color: #e3a33b;"));
    layout->addWidget(m_signInNote);
    m_signInNote->setVisible(!signedIn);
    m_cloud->setEnabled(signedIn);
    (signedIn ? m_cloud : m_local)->setChecked(true);

    layout->addWidget(secondaryLabel(QStringLiteral("You cannot change this selection afterwards."), this));
    layout->addSpacing(6);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    AccessibleShortcut::set(*cancel, QKeySequence(Qt::Key_Escape));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setToolTip(QStringLiteral("Cancel (Esc)"));
    cancel->setAutoDefault(false);
    m_save = new QPushButton(QStringLiteral("Save"), this);
    AccessibleShortcut::set(*m_save, QKeySequence(Qt::Key_Return));
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setToolTip(QStringLiteral("Save board (Return)"));
    m_save->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(m_save);
    layout->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, &NewBoardView::save);
    connect(m_name, &QLineEdit::textChanged, this, &NewBoardView::updateSaveButton);
    updateSaveButton();
}

QString NewBoardView::composedName(const std::optional<QString>& emoji, const QString& name)
{
    const QString trimmed = name.trimmed();
    if (!emoji || emoji->isEmpty())
        return trimmed;
    return *emoji + QLatin1Char(' ') + trimmed;
}

void NewBoardView::updateSaveButton()
{
    m_save->setEnabled(!m_name->text().trimmed().isEmpty());
}

void NewBoardView::save()
{
    if (m_name->text().trimmed().isEmpty())
        return;
    const QString name = composedName(m_emoji->emoji(), m_name->text());
    // A signed-out user cannot have chosen cloud, whatever the buttons say.
    const bool cloud = m_cloud->isEnabled() && m_cloud->isChecked();
    const auto onSave = m_onSave;
    accept();
    if (onSave)
        onSave(name, cloud);
}
