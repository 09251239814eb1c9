#include "session/UpdatePrompter.h"

#include "plaintext/UntrustedText.h"
#include "session/UpdateAvailableDialog.h"
#include "session/UpdaterViewModel.h"

#include <QMessageBox>

UpdatePrompter::UpdatePrompter(UpdaterViewModel& updater, QWidget* window)
    : QObject(window)
    , m_updater(updater)
    , m_window(window)
{
    connect(&m_updater, &UpdaterViewModel::updateAvailable, this,
        [this](const AppcastItem& release, bool) { showUpdate(release); });
    connect(&m_updater, &UpdaterViewModel::upToDate, this, [this](const QString& version) {
        showMessage(upToDateTitle, QStringLiteral("Plenko %1 is the newest version available.").arg(version));
    });
    connect(&m_updater, &UpdaterViewModel::checkFailed, this,
        [this](const QString& message) { showMessage(failedTitle, message); });
}

void UpdatePrompter::present(QDialog* dialog)
{
    if (m_dialog)
        m_dialog->close();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog = dialog;
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void UpdatePrompter::showUpdate(const AppcastItem& release)
{
    present(new UpdateAvailableDialog(release, m_updater, m_window));
}

void UpdatePrompter::showMessage(const QString& title, const QString& detail)
{
    auto* box = new QMessageBox(QMessageBox::Information, title, QString(), QMessageBox::Ok, m_window);
    box->setObjectName(QStringLiteral("updateMessage"));
    // The detail may be an error body from the feed's server.
    UntrustedText::setMessageBoxTexts(box, title, detail);
    present(box);
}
