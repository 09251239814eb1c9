#include "plaintext/UntrustedText.h"

#include <QLabel>
#include <QMessageBox>
#include <QTextDocument>

namespace UntrustedText {

QLabel* label(const QString& text, QWidget* parent)
{
    auto* made = new QLabel(parent);
    made->setTextFormat(Qt::PlainText);
    made->setText(text);
    return made;
}

void makePlain(QLabel* label)
{
    label->setTextFormat(Qt::PlainText);
}

void setMessageBoxTexts(QMessageBox* box, const QString& text, const QString& informativeText)
{
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    if (informativeText.isEmpty()) {
        box->setInformativeText(QString());
        return;
    }
    box->setInformativeText(QStringLiteral(" "));
    if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    box->setInformativeText(informativeText);
}

QString asRichText(const QString& text)
{
    return Qt::convertFromPlainText(text, Qt::WhiteSpacePre);
}

QString toolTip(const QString& text)
{
    // The tool tip reads text as rich exactly when this says so; anything else is shown as it is.
    if (!Qt::mightBeRichText(text))
        return text;
    // Pre-wrap keeps runs of spaces, tabs and blank lines (normal HTML white space would fold them into
    // one space) and still wraps a long line. Line breaks become <br>: the HTML reader drops a raw line
    // break right after or before a tag, and reads CR LF as two.
    QString escaped = text;
    escaped.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    escaped.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    escaped = escaped.toHtmlEscaped();
    escaped.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + escaped + QStringLiteral("</p>");
}

} // namespace UntrustedText
