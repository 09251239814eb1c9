#include "session/FeedbackDialogView.h"

#include "richtext/EditorView.h"
#include "session/FeedbackViewModel.h"
#include "session/SessionStyle.h"

#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

FeedbackDialogView::FeedbackDialogView(FeedbackViewModel& viewModel, QWidget* parent)
    : QDialog(parent)
    , m_viewModel(viewModel)
{
    setObjectName(QStringLiteral("feedbackDialog"));
    setWindowTitle(QStringLiteral("Share Feedback"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    auto* title = new QLabel(QStringLiteral("Share Feedback"), this);
    title->setObjectName(QStringLiteral("title"));
    SessionStyle::useTitleFont(title);
    layout->addWidget(title);

    m_editor = new EditorView(this);
    m_editor->setObjectName(QStringLiteral("feedbackEditor"));
    m_editor->setMode(
        EditorMode::custom(QStringLiteral("Send Feedback"), QStringLiteral("Tell us what's on your mind…")));
    m_editor->setPresentation(EditorPresentation::embedded);
    m_editor->setMaxCharacters(FeedbackViewModel::maxCharacters);
    m_editor->setEditorHeight(editorHeight);
    m_editor->setText(m_viewModel.text());
    layout->addWidget(m_editor, 1);

    connect(m_editor, &EditorView::textChanged, &m_viewModel, &FeedbackViewModel::setText);
    connect(&m_viewModel, &FeedbackViewModel::textChanged, m_editor, [this](const QString& text) {
        if (m_editor->text() != text)
            m_editor->setText(text);
    });
    connect(&m_viewModel, &FeedbackViewModel::isSubmittingChanged, m_editor,
        &EditorView::setPrimaryActionInFlight);
    connect(m_editor, &EditorView::submitted, this, &FeedbackDialogView::submit);
    connect(m_editor, &EditorView::cancelled, this, &QDialog::reject);
}

void FeedbackDialogView::submit()
{
    QPointer<FeedbackDialogView> self(this);
    QCoro::Task<bool> sending = m_viewModel.submitFeedback();
    QCoro::connect(std::move(sending), this, [self](bool sent) {
        if (self && sent)
            self->accept();
    });
}
