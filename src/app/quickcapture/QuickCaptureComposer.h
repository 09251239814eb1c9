// The quick-capture panel: adds a new Todo item to the workspace's quick-capture board without the
// main window. It shows one of three states: no quick-capture board chosen, the chosen board not
// loaded yet, or the board's name with an editor of at most 300 characters.
#pragma once

#include <QPointer>
#include <QWidget>

class AuthState;
class BoardViewModel;
class EditorView;
class QLabel;
class QStackedWidget;
class QTimer;

class QuickCaptureComposer : public QWidget
{
    Q_OBJECT

public:
    enum class State { noBoard, loading, ready };

    static constexpr int maxCharacters = 300;

    QuickCaptureComposer(BoardViewModel& workspace, QPointer<AuthState> auth, QWidget* parent = nullptr);

    State state() const;
    QString draft() const { return m_draft; }
    void setDraft(const QString& draft);
    bool isSubmitting() const { return m_isSubmitting; }
    bool didSubmit() const { return m_didSubmit; }

    // Adds the trimmed draft as a new Todo item; does nothing while a submission runs, without a
    // board, or for a draft of only white space.
    void submit();
    void focusEditor();

    EditorView* editor() const { return m_editor; }
    QLabel* boardNameLabel() const { return m_boardName; }
    QWidget* currentPage() const;

Q_SIGNALS:
    void itemAdded();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showState();

    BoardViewModel& m_workspace;
    QPointer<AuthState> m_auth;
    QString m_draft;
    bool m_isSubmitting = false;
    bool m_didSubmit = false;

    QStackedWidget* m_pages = nullptr;
    QWidget* m_noBoardPage = nullptr;
    QWidget* m_loadingPage = nullptr;
    QWidget* m_readyPage = nullptr;
    QLabel* m_boardName = nullptr;
    QLabel* m_submitted = nullptr;
    EditorView* m_editor = nullptr;
    QTimer* m_submittedTimer = nullptr;
};
