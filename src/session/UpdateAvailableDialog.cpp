#include "session/UpdateAvailableDialog.h"

#include "session/SessionStyle.h"
#include "session/UpdaterViewModel.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

UpdateAvailableDialog::UpdateAvailableDialog(
    const AppcastItem& release, UpdaterViewModel& updater, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("updateAvailable"));
    setWindowTitle(QStringLiteral("Software Update"));
    resize(460, 320);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("A new version of Plenko is available!"), this);
    title->setObjectName(QStringLiteral("title"));
    SessionStyle::useTitleFont(title);
    layout->addWidget(title);
    auto* summaryLabel = new QLabel(summary(release, updater.currentVersion()), this);
    summaryLabel->setObjectName(QStringLiteral("summary"));
    summaryLabel->setTextFormat(Qt::PlainText);
    layout->addWidget(summaryLabel);

    auto* notesTitle = new QLabel(QStringLiteral("Release notes"), this);
    SessionStyle::useSecondaryText(notesTitle);
    layout->addWidget(notesTitle);
    auto* notes = new QTextBrowser(this);
    notes->setObjectName(QStringLiteral("releaseNotes"));
    notes->setPlainText(
        release.releaseNotes.isEmpty() ? QStringLiteral("No release notes.") : release.releaseNotes);
    layout->addWidget(notes, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* download = buttons->addButton(QStringLiteral("Download"), QDialogButtonBox::AcceptRole);
    download->setObjectName(QStringLiteral("download"));
    download->setDefault(true);
    auto* later = buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
    later->setObjectName(QStringLiteral("later"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this, &updater] {
        updater.openDownloadPage();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString UpdateAvailableDialog::summary(const AppcastItem& release, const QString& currentVersion)
{
    return QStringLiteral("Plenko %1 is available — you have %2.").arg(release.version, currentVersion);
}
