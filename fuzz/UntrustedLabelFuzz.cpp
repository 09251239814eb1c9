// The strings that reach labels, tool tips and message boxes: any text, as the service or another
// member could send it, through the one way the views show untrusted text. Whatever the text, a
// label shows exactly it as plain text, and a tool tip or message box reads back the same text.
#include "FuzzSupport.h"

#include "plaintext/UntrustedText.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTextDocument>

namespace {
// What a rich-text tool tip keeps of white space: runs and tabs become spaces, line breaks stay.
QString asDocumentReadsIt(QString text)
{
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "plenko-fuzz";
    static char* argv[] = { name, nullptr };
    // Widgets need the widget application; kept until the process ends, as in the other targets.
    new QApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input = FuzzInput::from(data, size);
    const QString text = QString::fromUtf8(input.rest);

    static QWidget* parent = new QWidget;
    QLabel* label = UntrustedText::label(text, parent);
    fuzzRequire(label->textFormat() == Qt::PlainText, "a label of untrusted text is plain", text);
    fuzzRequire(label->text() == text, "a label shows the text as given", text);
    if (input.selector & 0x01) {
        // Laid out and painted, as on screen.
        label->resize(200, 60);
        label->grab();
    }
    delete label;

    const QString tip = UntrustedText::toolTip(text);
    // A tool tip reads its text as rich exactly when Qt::mightBeRichText says so: text it reads as
    // plain is shown as it is, anything else escaped.
    if (!Qt::mightBeRichText(text)) {
        fuzzRequire(tip == text, "a tool tip of text read as plain is the text", text);
    } else {
        fuzzRequire(Qt::mightBeRichText(tip), "a tool tip of untrusted text is read as escaped rich text", text);
        QTextDocument document;
        document.setHtml(tip);
        fuzzRequire(asDocumentReadsIt(document.toPlainText()) == asDocumentReadsIt(text),
            "a tool tip shows the text as given", text);
    }

    if (input.selector & 0x02) {
        QMessageBox box;
        UntrustedText::setMessageBoxTexts(&box, text, text);
        fuzzRequire(box.text() == text && box.informativeText() == (text.isEmpty() ? QString() : text),
            "a message box shows the text as given", text);
        for (QLabel* shown : box.findChildren<QLabel*>()) {
            if (!shown->text().isEmpty() && shown->text() == text)
                fuzzRequire(shown->textFormat() == Qt::PlainText, "message box labels are plain", text);
        }
    }
    return 0;
}
