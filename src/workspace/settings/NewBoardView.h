// The new-board dialog: a name of at most 20 characters with an optional emoji, and the storage
// choice, which cannot be changed later. Signed out, only "On This Computer" can be chosen. Save hands the
// name (the emoji in front) and whether cloud was chosen on, and closes; the dialog deletes itself.
#pragma once

#include <QDialog>

#include <functional>

class BoardNameField;
class EmojiSelectionButton;
class QLabel;
class QPushButton;
class QRadioButton;

class NewBoardView : public QDialog
{
    Q_OBJECT

public:
    using OnSave = std::function<void(const QString& name, bool cloud)>;

    NewBoardView(bool signedIn, OnSave onSave, QWidget* parent = nullptr);

    // The name the board gets: the emoji, a space and the typed name; the typed name alone without one.
    static QString composedName(const std::optional<QString>& emoji, const QString& name);

    BoardNameField* nameField() const { return m_name; }
    EmojiSelectionButton* emojiButton() const { return m_emoji; }
    QRadioButton* cloudChoice() const { return m_cloud; }
    QRadioButton* localChoice() const { return m_local; }
    QLabel* signInNote() const { return m_signInNote; }
    QLabel* limitHint() const { return m_limitHint; }
    QPushButton* saveButton() const { return m_save; }

private:
    void save();
    void updateSaveButton();

    OnSave m_onSave;
    BoardNameField* m_name = nullptr;
    EmojiSelectionButton* m_emoji = nullptr;
    QRadioButton* m_cloud = nullptr;
    QRadioButton* m_local = nullptr;
    QLabel* m_signInNote = nullptr;
    QLabel* m_limitHint = nullptr;
    QPushButton* m_save = nullptr;
};
