// The rail's changelog popover: "Changelog", the running version, and the entries newest first with
// the running version's entry marked "current build". Loads the document when shown without entries.
#pragma once

#include <QFrame>
#include <QString>
#include <optional>

class ChangelogViewModel;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

class ChangelogPopoverView : public QFrame
{
    Q_OBJECT

public:
    static inline const QString mismatchNote
        = QStringLiteral("You're running a build that might not match the list below.");

    // currentVersion: the application's short version; absent when it is not known.
    ChangelogPopoverView(
        ChangelogViewModel& viewModel, std::optional<QString> currentVersion, QWidget* parent = nullptr);

    // The most the popover grows to; a longer changelog scrolls.
    static constexpr int maximumPopoverHeight = 460;

    void popUp(QWidget* anchor);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showEntries();
    void rebuildEntries();
    // As tall as the entries need, up to the most.
    void fitHeight();
    QWidget* makeEntry(const QString& version, const QStringList& changes);

    ChangelogViewModel& m_viewModel;
    std::optional<QString> m_currentVersion;
    QLabel* m_loading = nullptr;
    QWidget* m_empty = nullptr;
    QLabel* m_mismatch = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_entriesLayout = nullptr;
    QScrollArea* m_entriesArea = nullptr;
};
