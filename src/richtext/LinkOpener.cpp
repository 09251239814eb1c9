#include "richtext/LinkOpener.h"

#include <QDesktopServices>
#include <QMessageBox>

namespace LinkOpener {

bool opensWithoutAsking(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto"));
}

bool open(const QUrl& url, QWidget* parent)
{
    if (!url.isValid())
        return false;
    if (!opensWithoutAsking(url)) {
        QMessageBox question(parent);
        question.setObjectName(QStringLiteral("openLinkQuestion"));
        question.setIcon(QMessageBox::Question);
        question.setWindowTitle(QStringLiteral("Open Link"));
        question.setStandardButtons(QMessageBox::Open | QMessageBox::Cancel);
        // The address comes from item text, which any member may have written: the format is fixed
        // before the text arrives, so it is never read as markup.
        question.setTextFormat(Qt::PlainText);
        question.setText(QStringLiteral("This link is not a web address. Open it anyway?\n\n") + url.toDisplayString());
        question.setDefaultButton(QMessageBox::Cancel);
        if (question.exec() != QMessageBox::Open)
            return false;
    }
    return QDesktopServices::openUrl(url);
}

} // namespace LinkOpener
