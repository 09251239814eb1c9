// The new-item composer of a board column: a round "+" button while hidden, an editor in create
// mode while visible. The host owns the draft and decides visibility; the composer reports.
#pragma once

#include "domain/BoardUser.h"

#include <QColor>
#include <QWidget>

#include <optional>

class EditorView;
class LinkMetadataService;
class QToolButton;

class FloatingNewItemComposer : public QWidget
{
    Q_OBJECT

public:
    explicit FloatingNewItemComposer(QWidget* parent = nullptr, LinkMetadataService* linkService = nullptr);

    void setComposerVisible(bool visible);
    bool isComposerVisible() const { return m_isComposerVisible; }
    void setDraft(const QString& draft);
    QString draft() const;
    void setStatusTint(std::optional<QColor> tint);
    void setBoardUsers(const QList<BoardUser>& users);
    // A board that is archived takes no new items.
    void setAddingEnabled(bool enabled);

    EditorView* editor() const { return m_editor; }
    QToolButton* addButton() const { return m_addButton; }

Q_SIGNALS:
    void begin();
    void submitted(const QString& text);
    // Ctrl+Shift+Return: the item is saved and the composer stays open for the next one.
    void submittedToContinue(const QString& text);
    void cancelled();
    void draftChanged(const QString& draft);

private:
    void updateAddButton();

    bool m_isComposerVisible = false;
    bool m_isEnabled = true;
    bool m_continuesAfterSubmit = false; // the submission under way came from Ctrl+Shift+Return
    std::optional<QColor> m_statusTint;
    QToolButton* m_addButton = nullptr;
    EditorView* m_editor = nullptr;
};
