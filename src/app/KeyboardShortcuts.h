// The application's keys in one table: the menus, the board header, the editor and the focused item
// card take their keys from here, the help texts name them, and the Keyboard Shortcuts window lists
// them. Keys are written the way the desktop writes them (Ctrl+R), never with another platform's
// symbols.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

namespace KeyboardShortcuts {

struct Entry
{
    QString group;
    QString title;
    QList<QKeySequence> keys;
};

inline const QKeySequence refreshBoard {Qt::CTRL | Qt::Key_R};
inline const QKeySequence boardSettings {Qt::CTRL | Qt::Key_Comma};
inline const QKeySequence boardInfo {Qt::CTRL | Qt::Key_I};
inline const QKeySequence searchItems {Qt::CTRL | Qt::Key_F};

// The focused item card.
inline const QKeySequence cardMoveToTodo {Qt::ALT | Qt::Key_1};
inline const QKeySequence cardMoveToInProgress {Qt::ALT | Qt::Key_2};
inline const QKeySequence cardMoveToDone {Qt::ALT | Qt::Key_3};
inline const QKeySequence cardArchive {Qt::ALT | Qt::Key_A};
inline const QKeySequence cardEdit {Qt::Key_F2};
inline const QKeySequence cardDelete {Qt::Key_Delete};
inline const QKeySequence cardCopy {Qt::CTRL | Qt::Key_C};
inline const QKeySequence cardMenu {Qt::SHIFT | Qt::Key_F10};

// The key as the desktop writes it ("Ctrl+R").
QString keyText(const QKeySequence& key);
// A help text with its key: "Refresh board (Ctrl+R)".
QString helpText(const QString& text, const QKeySequence& key);

// Every key the application answers to, grouped for the Keyboard Shortcuts window.
QList<Entry> all();

} // namespace KeyboardShortcuts
