// Shows what an update check found: the update dialog for a newer release, and for the menu command
// also "You're up to date" or why the check failed. One dialog at a time, parented to the window.
#pragma once

#include <QObject>
#include <QPointer>

class AppcastItem;
class QDialog;
class QWidget;
class UpdaterViewModel;

class UpdatePrompter : public QObject
{
    Q_OBJECT

public:
    static inline const QString upToDateTitle = QStringLiteral("You're up to date");
    static inline const QString failedTitle = QStringLiteral("Couldn't check for updates");

    UpdatePrompter(UpdaterViewModel& updater, QWidget* window);

    QDialog* currentDialog() const { return m_dialog; }

private:
    void present(QDialog* dialog);
    void showUpdate(const AppcastItem& release);
    void showMessage(const QString& title, const QString& detail);

    UpdaterViewModel& m_updater;
    QPointer<QWidget> m_window;
    QPointer<QDialog> m_dialog;
};
