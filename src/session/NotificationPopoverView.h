// The notification popover opened from the rail's bell: a header with the unread count, "Read All"
// and refresh, then the empty state, the error state or the rows. It reads the view model and hands
// row clicks to the navigator; opening and closing it sets the view model's isPopoverPresented.
#pragma once

#include <QFrame>

class NotificationNavigator;
class NotificationViewModel;
class QLabel;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

class NotificationPopoverView : public QFrame
{
    Q_OBJECT

public:
    NotificationPopoverView(
        NotificationViewModel& viewModel, NotificationNavigator& navigator, QWidget* parent = nullptr);

    // The most the popover grows to; longer feeds scroll.
    static constexpr int maximumPopoverHeight = 440;

    // Opens as a popup under the anchor (the bell).
    void popUp(QWidget* anchor);

    // What the popover shows below its header.
    enum class Page { empty, error, list };
    Page currentPage() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeEmptyPage();
    QWidget* makeErrorPage();
    QWidget* makeListPage();
    void showFeedState();
    void rebuildRows();
    // As tall as its rows need, up to a most; the empty and error states take a compact height.
    void fitHeight();

    NotificationViewModel& m_viewModel;
    NotificationNavigator& m_navigator;
    QLabel* m_unreadLabel = nullptr;
    QPushButton* m_readAllButton = nullptr;
    QToolButton* m_refreshButton = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_errorText = nullptr;
    QVBoxLayout* m_rowsLayout = nullptr;
    QWidget* m_rowsContainer = nullptr;
    QScrollArea* m_rowsArea = nullptr;
};
