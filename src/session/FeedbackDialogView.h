// "Share Feedback": the item editor in its feedback form (200 characters, "Send Feedback"), bound to
// the view model's text. Sending runs submitFeedback; the dialog closes once the feedback went out.
#pragma once

#include <QDialog>

class EditorView;
class FeedbackViewModel;

class FeedbackDialogView : public QDialog
{
    Q_OBJECT

public:
    static constexpr int editorHeight = 180;

    explicit FeedbackDialogView(FeedbackViewModel& viewModel, QWidget* parent = nullptr);

    EditorView* editor() const { return m_editor; }

private:
    void submit();

    FeedbackViewModel& m_viewModel;
    EditorView* m_editor = nullptr;
};
