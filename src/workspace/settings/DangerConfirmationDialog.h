// Asks before a dangerous action: a title, a message, "Cancel", and a primary button in the primary
// colour that runs the action. Either button closes the dialog; the dialog deletes itself when closed.
#pragma once

#include <QColor>
#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

class DangerConfirmationDialog : public QDialog
{
    Q_OBJECT

public:
    struct Content
    {
        QString title;
        QString message;
        QString primaryButtonTitle;
        QColor primaryColor;
        std::function<void()> confirmAction;
    };

    // The red of destructive actions.
    static QColor destructiveColor();

    explicit DangerConfirmationDialog(Content content, QWidget* parent = nullptr);

    QString title() const { return m_content.title; }
    QString message() const { return m_content.message; }
    QPushButton* primaryButton() const { return m_primary; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void confirm();

    Content m_content;
    QPushButton* m_primary = nullptr;
    QPushButton* m_cancel = nullptr;
};
