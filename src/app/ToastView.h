// The toast banner: the presenter's current message on a small rounded panel (at most 350 wide) with
// an icon for its type and, when the toast has one, a link-styled action button. It shows itself
// while the presenter is showing a toast and places itself at the bottom centre of its parent.
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class ToastManager;

class ToastView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int maximumWidth = 350;

    ToastView(ToastManager& toasts, QWidget* parent);

    QString message() const;
    QPushButton* actionButton() const { return m_action; }

    // Follows the presenter and re-centres.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void reposition();

    QPointer<ToastManager> m_toasts;
    QLabel* m_icon = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_action = nullptr;
    bool m_announcePending = false; // a new toast not yet read out
};
