#include "SettingsTestSupport.h"

#include "workspace/settings/DangerConfirmationDialog.h"

#include <QApplication>
#include <QPalette>
#include <QPixmap>
#include <QStyleFactory>
#include <QTest>
#include <QTextBoundaryFinder>

void applyDarkTestPalette()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x1c, 0x1d, 0x21));
    palette.setColor(QPalette::WindowText, QColor(0xec, 0xed, 0xf0));
    palette.setColor(QPalette::Base, QColor(0x27, 0x29, 0x2f));
    palette.setColor(QPalette::AlternateBase, QColor(0x2e, 0x30, 0x37));
    palette.setColor(QPalette::Text, QColor(0xec, 0xed, 0xf0));
    palette.setColor(QPalette::Button, QColor(0x2e, 0x30, 0x37));
    palette.setColor(QPalette::ButtonText, QColor(0xec, 0xed, 0xf0));
    palette.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9d, 0xa6));
    palette.setColor(QPalette::Highlight, QColor(0x5b, 0x8d, 0xef));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6a, 0x6d, 0x76));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6a, 0x6d, 0x76));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6a, 0x6d, 0x76));
    QApplication::setPalette(palette);
}

QString grabToTmp(QWidget* widget, const QString& name)
{
    const QString path = QStringLiteral("/tmp/") + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}

DangerConfirmationDialog* openConfirmation(QWidget* owner)
{
    const auto dialogs = owner->findChildren<DangerConfirmationDialog*>();
    for (DangerConfirmationDialog* dialog : dialogs) {
        if (dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

void typeText(QWidget* widget, const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end >= 0; end = finder.toNextBoundary()) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(start, end - start), Qt::NoModifier);
        start = end;
    }
}
