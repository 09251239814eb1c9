// The board info panel: the board's description, or a prompt to write one; its owner (anyone, on a
// local board) can edit it in place, and saving goes to the workspace.
#pragma once

#include "app/ViewContext.h"

#include <QWidget>

class EditorView;
class QLabel;
class QToolButton;

class BoardInfoView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int maxInfoCharacters = 1000;

    BoardInfoView(const ViewContext& context, QWidget* parent = nullptr);

    void refresh();
    bool isEditing() const { return m_editor != nullptr; }
    void startEditing();
    QToolButton* editButton() const { return m_editButton; }
    EditorView* editor() const { return m_editor; }
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void finishEditing();

    ViewContext m_context;
    QLabel* m_text = nullptr;
    QLabel* m_hint = nullptr;
    QToolButton* m_editButton = nullptr;
    EditorView* m_editor = nullptr;
};
