#include "richtext/FloatingNewItemComposer.h"

#include "accessible/AccessibleShortcut.h"
#include "richtext/EditorView.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QToolButton* makeAddButton(QWidget* parent)
{
    auto* button = new QToolButton(parent);
    // First, before anything reports the button to a screen reader.
    AccessibleShortcut::set(*button, QKeySequence(Qt::CTRL | Qt::Key_N));
    return button;
}
}

FloatingNewItemComposer::FloatingNewItemComposer(QWidget* parent, LinkMetadataService* linkService)
    : QWidget(parent)
    , m_addButton(makeAddButton(this))
    , m_editor(new EditorView(this, linkService))
{
    setObjectName(QStringLiteral("floatingNewItemComposer"));
    m_addButton->setObjectName(QStringLiteral("addItemButton"));
    m_addButton->setText(QStringLiteral("+"));
    m_addButton->setAccessibleName(QStringLiteral("Add new item"));
    m_addButton->setFixedSize(36, 36);
    m_addButton->setAutoRaise(true);

    m_editor->setMode(EditorMode::create());
    m_editor->setPresentation(EditorPresentation::floating);
    m_editor->setMaxCharacters(300);
    m_editor->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_addButton, 0, Qt::AlignRight | Qt::AlignBottom);
    layout->addWidget(m_editor);

    connect(m_addButton, &QToolButton::clicked, this, [this] {
        if (m_isEnabled)
            Q_EMIT begin();
    });
    connect(m_editor, &EditorView::submitted, this, [this](const QString& text) {
        if (std::exchange(m_continuesAfterSubmit, false))
            Q_EMIT submittedToContinue(text);
        else
            Q_EMIT submitted(text);
    });
    auto* saveAndContinue = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Return), m_editor);
    saveAndContinue->setContext(Qt::WidgetWithChildrenShortcut);
    connect(saveAndContinue, &QShortcut::activated, this, [this] {
        m_continuesAfterSubmit = true;
        m_editor->submit();
        // Nothing was submitted (an empty draft): the next Ctrl+Return closes as usual.
        m_continuesAfterSubmit = false;
    });
    connect(m_editor, &EditorView::cancelled, this, &FloatingNewItemComposer::cancelled);
    connect(m_editor, &EditorView::textChanged, this, &FloatingNewItemComposer::draftChanged);
    updateAddButton();
}

void FloatingNewItemComposer::setComposerVisible(bool visible)
{
    if (visible == m_isComposerVisible)
        return;
    m_isComposerVisible = visible;
    m_addButton->setVisible(!visible);
    m_editor->setVisible(visible);
    if (visible) {
        // Fade in where the platform cannot scale a widget; the editor is ready to type at once.
        auto* fade = new QGraphicsOpacityEffect(m_editor);
        m_editor->setGraphicsEffect(fade);
        auto* animation = new QPropertyAnimation(fade, "opacity", fade);
        animation->setStartValue(0.6);
        animation->setEndValue(1.0);
        animation->setDuration(150);
        connect(animation, &QPropertyAnimation::finished, m_editor, [this] { m_editor->setGraphicsEffect(nullptr); });
        animation->start();
        m_editor->focusEditor();
    }
}

void FloatingNewItemComposer::setDraft(const QString& draft)
{
    if (draft != m_editor->text())
        m_editor->setText(draft);
}

QString FloatingNewItemComposer::draft() const
{
    return m_editor->text();
}

void FloatingNewItemComposer::setStatusTint(std::optional<QColor> tint)
{
    m_statusTint = tint;
    m_editor->setStatusTint(tint);
    updateAddButton();
}

void FloatingNewItemComposer::setBoardUsers(const QList<BoardUser>& users)
{
    m_editor->setMentionCandidates(users);
}

void FloatingNewItemComposer::setAddingEnabled(bool enabled)
{
    m_isEnabled = enabled;
    updateAddButton();
}

void FloatingNewItemComposer::updateAddButton()
{
    m_addButton->setEnabled(m_isEnabled);
    m_addButton->setToolTip(m_isEnabled ? QStringLiteral("Add new item (Ctrl+N)") : QStringLiteral("Board is archived"));
    QFont font = m_addButton->font();
    font.setPixelSize(18);
    m_addButton->setFont(font);
    QPalette colors = m_addButton->palette();
    if (m_statusTint)
        colors.setColor(QPalette::ButtonText, *m_statusTint);
    m_addButton->setPalette(colors);
}
