#include "app/KeyboardShortcuts.h"

namespace KeyboardShortcuts {

QString keyText(const QKeySequence& key)
{
    return key.toString(QKeySequence::NativeText);
}

QString helpText(const QString& text, const QKeySequence& key)
{
    return QStringLiteral("%1 (%2)").arg(text, keyText(key));
}

QList<Entry> all()
{
    const QString application = QStringLiteral("Application");
    const QString board = QStringLiteral("Board");
    const QString card = QStringLiteral("Focused item");
    const QString moving = QStringLiteral("Moving around");
    return {
        {application, QStringLiteral("New item"), {QKeySequence(Qt::CTRL | Qt::Key_N)}},
        {application, QStringLiteral("Toggle sidebar"), {QKeySequence(Qt::CTRL | Qt::Key_QuoteLeft)}},
        {application, QStringLiteral("Show Todo"), {QKeySequence(Qt::CTRL | Qt::Key_1)}},
        {application, QStringLiteral("Show In Progress"), {QKeySequence(Qt::CTRL | Qt::Key_2)}},
        {application, QStringLiteral("Show Done"), {QKeySequence(Qt::CTRL | Qt::Key_3)}},
        {application, QStringLiteral("Save the item being edited"), {QKeySequence(Qt::CTRL | Qt::Key_S)}},
        {application, QStringLiteral("Save the new item and write another"),
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Return)}},
        {application, QStringLiteral("Undo the last item change"), {QKeySequence(Qt::CTRL | Qt::Key_Z)}},
        {application, QStringLiteral("Redo the item change"),
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}},
        {application, QStringLiteral("Check for updates"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U)}},
        {application, QStringLiteral("Keyboard shortcuts"), {QKeySequence(Qt::CTRL | Qt::Key_Slash)}},
        {application, QStringLiteral("Quit"), {QKeySequence(QKeySequence::Quit)}},
        {board, QStringLiteral("Refresh board"), {refreshBoard}},
        {board, QStringLiteral("Board settings"), {boardSettings}},
        {board, QStringLiteral("Board info"), {boardInfo}},
        {board, QStringLiteral("Search items"), {searchItems}},
        {card, QStringLiteral("Edit"), {cardEdit, QKeySequence(Qt::Key_Return)}},
        {card, QStringLiteral("Show or hide details"), {QKeySequence(Qt::Key_Space)}},
        {card, QStringLiteral("Move to Todo"), {cardMoveToTodo}},
        {card, QStringLiteral("Move to In Progress"), {cardMoveToInProgress}},
        {card, QStringLiteral("Move to Done"), {cardMoveToDone}},
        {card, QStringLiteral("Archive or unarchive"), {cardArchive}},
        {card, QStringLiteral("Delete"), {cardDelete}},
        {card, QStringLiteral("Copy content"), {cardCopy}},
        {card, QStringLiteral("Open the item's menu"), {QKeySequence(Qt::Key_Menu), cardMenu}},
        {moving, QStringLiteral("Next or previous control"),
            {QKeySequence(Qt::Key_Tab), QKeySequence(Qt::SHIFT | Qt::Key_Tab)}},
        {moving, QStringLiteral("Next or previous board, item or rail button"),
            {QKeySequence(Qt::Key_Down), QKeySequence(Qt::Key_Up)}},
        {moving, QStringLiteral("First or last rail button"), {QKeySequence(Qt::Key_Home), QKeySequence(Qt::Key_End)}},
        {moving, QStringLiteral("Choose the board or press the button"),
            {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Space)}},
    };
}

} // namespace KeyboardShortcuts
