#include "app/TransferCommands.h"

#include "app/ListStatusDialog.h"
#include "store/StoreContext.h"
#include "transfer/ImportApplier.h"
#include "transfer/TransferFiles.h"
#include "transfer/TrelloImport.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"

#include <QAction>
#include <QCoro/QCoroFuture>
#include <QCoro/QCoroSignal>
#include <QCoro/QCoroTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace {
// The bar appears only for work that takes long enough to be noticed.
constexpr int progressDelayMs = 300;
// Imports this large take long enough to show the bar at once.
constexpr qsizetype largeImportItems = 5000;
// Each slice of an import's store write; the window handles its events between slices.
constexpr int writeSliceMs = 15;

// Off the UI thread: the store read through a connection of its own.
std::expected<BoardArchive, QString> collectFromFile(const QString& storeFile, const ExportSelection& selection)
{
    auto context = StoreContext::open(storeFile);
    if (!context)
        return std::unexpected(context.error().message);
    return collectBoards(**context, selection);
}

QString safeFileName(const QString& name)
{
    QString safe = name.simplified();
    safe.replace(QLatin1Char('/'), QLatin1Char('-'));
    return safe.isEmpty() ? QStringLiteral("Board") : safe.left(80);
}
}

TransferCommands::TransferCommands(Services services, QWidget* window, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_window(window)
{
    m_import = new QAction(tr("&Import…"), this);
    m_import->setObjectName(QStringLiteral("importAction"));
    connect(m_import, &QAction::triggered, this, &TransferCommands::chooseImportFile);
    m_exportBoard = new QAction(tr("&Export Board…"), this);
    m_exportBoard->setObjectName(QStringLiteral("exportBoardAction"));
    connect(m_exportBoard, &QAction::triggered, this, [this] {
        const Board& board = m_services.boards.selectedBoard();
        ExportSelection selection;
        selection.boardId = board.id;
        chooseExportFile(selection, safeFileName(board.name));
    });
    m_exportAll = new QAction(tr("Export &All Boards…"), this);
    m_exportAll->setObjectName(QStringLiteral("exportAllAction"));
    connect(m_exportAll, &QAction::triggered, this,
        [this] { chooseExportFile({}, QStringLiteral("Plenko backup %1").arg(QDate::currentDate().toString(Qt::ISODate))); });
    connect(&m_services.boards, &BoardViewModel::selectedBoardChanged, this, &TransferCommands::updateExportBoard);
    connect(&m_services.boards, &BoardViewModel::boardsChanged, this, &TransferCommands::updateExportBoard);
    updateExportBoard();
}

void TransferCommands::updateExportBoard()
{
    // The selection may name a board that has just left the workspace.
    m_exportBoard->setEnabled(m_services.boards.boards().contains(m_services.boards.selectedBoard()));
}

void TransferCommands::chooseImportFile()
{
    auto* dialog = new QFileDialog(m_window, tr("Import"));
    dialog->setObjectName(QStringLiteral("importFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters({tr("Plenko archive or Trello board (*.json)"), tr("CSV (*.csv)")});
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& file) { (void)importFile(file); });
    dialog->open();
}

void TransferCommands::chooseExportFile(ExportSelection selection, const QString& suggestedName)
{
    auto* dialog = new QFileDialog(m_window, selection.boardId ? tr("Export Board") : tr("Export All Boards"));
    dialog->setObjectName(QStringLiteral("exportFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({tr("Plenko archive, for backup and import (*.json)"), tr("Markdown (*.md)"),
        tr("CSV, for spreadsheets (*.csv)")});
    dialog->setDefaultSuffix(QStringLiteral("json"));
    // The suffix follows the chosen kind, since the format follows the suffix.
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        const qsizetype star = filter.lastIndexOf(QLatin1String("*."));
        if (star >= 0)
            dialog->setDefaultSuffix(filter.mid(star + 2).chopped(1));
    });
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog->selectFile(suggestedName);
    connect(dialog, &QFileDialog::fileSelected, this,
        [this, selection](const QString& file) { (void)exportTo(file, selection); });
    dialog->open();
}

QProgressDialog* TransferCommands::showProgress(const QString& label)
{
    auto* progress = new QProgressDialog(label, QString(), 0, 0, m_window);
    progress->setObjectName(QStringLiteral("transferProgress"));
    progress->setWindowTitle(QStringLiteral("Plenko"));
    progress->setCancelButton(nullptr);
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(progressDelayMs);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    progress->setValue(0);
    return progress;
}

void TransferCommands::tell(bool succeeded, const QString& title, const QString& message)
{
    if (succeeded) {
        m_services.toasts.showSuccess(message.section(QLatin1Char('\n'), 0, 0));
    }
    // The whole outcome, shortened items included; file contents in it are shown as plain text.
    if (!succeeded || message.contains(QLatin1Char('\n'))) {
        auto* box = new QMessageBox(succeeded ? QMessageBox::Information : QMessageBox::Warning, title, message,
            QMessageBox::Ok, m_window);
        box->setObjectName(QStringLiteral("transferOutcome"));
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    Q_EMIT finished(succeeded, message);
}

QCoro::Task<void> TransferCommands::exportTo(QString fileName, ExportSelection selection)
{
    QPointer<TransferCommands> self(this);
    const QString title = tr("Export");
    const auto format = exportFormatForFile(fileName);
    if (!format) {
        tell(false, title, format.error());
        co_return;
    }
    QPointer<QProgressDialog> progress = showProgress(tr("Exporting…"));
    // Another connection reads only what is in the file: anything still unsaved goes there first,
    // and when that fails the board is read here, where the unsaved changes are.
    StoreContext& context = m_services.context;
    const bool fileIsCurrent
        = (!context.hasChanges() || context.save().has_value()) && context.commitHeldSaves().has_value();
    std::expected<BoardArchive, QString> archive;
    if (fileIsCurrent) {
        // Named, not a temporary of the co_await: GCC 12 may destroy such a temporary twice.
        QFuture<std::expected<BoardArchive, QString>> reading
            = QtConcurrent::run(collectFromFile, context.fileName(), selection);
        archive = co_await reading;
        if (!self)
            co_return;
    } else {
        archive = collectBoards(context, selection);
    }
    if (archive) {
        collectSidebarLayout(*archive, m_services.preferences, selection);
        const qsizetype boards = archive->boards.size();
        const qsizetype items = archive->itemCount();
        QFuture<std::expected<void, QString>> writing
            = QtConcurrent::run([archive = std::move(*archive), format = *format, fileName] {
                  return writeWholeFile(fileName, encodeExport(archive, format, QDateTime::currentDateTimeUtc()));
              });
        const auto written = co_await writing;
        if (!self)
            co_return;
        if (progress)
            progress->close();
        if (!written)
            tell(false, title, written.error());
        else
            tell(true, title, tr("Exported %1 board(s) with %2 item(s) to %3.").arg(boards).arg(items).arg(QFileInfo(fileName).fileName()));
        co_return;
    }
    if (progress)
        progress->close();
    tell(false, title, archive.error());
}

QCoro::Task<void> TransferCommands::importFile(QString fileName)
{
    QPointer<TransferCommands> self(this);
    const QString title = tr("Import");
    QPointer<QProgressDialog> progress = showProgress(tr("Reading %1…").arg(QFileInfo(fileName).fileName()));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QFuture<std::expected<ImportFile, QString>> reading = QtConcurrent::run([fileName, now]() -> std::expected<ImportFile, QString> {
        const auto bytes = readWholeFile(fileName);
        if (!bytes)
            return std::unexpected(bytes.error());
        auto file = readImportFile(*bytes, fileName, now);
        if (!file)
            return std::unexpected(QFileInfo(fileName).fileName() + QStringLiteral(": ") + file.error().message);
        return std::move(*file);
    });
    auto read = co_await reading;
    if (!self)
        co_return;
    if (progress)
        progress->close();
    if (!read) {
        tell(false, title, read.error() + tr("\n\nNothing was imported."));
        co_return;
    }
    ImportPlan plan;
    if (read->trello) {
        QHash<QString, ItemStatus> chosen;
        const QList<TrelloList> lists = listsNeedingStatus(*read->trello);
        if (!lists.isEmpty()) {
            QPointer<ListStatusDialog> dialog = new ListStatusDialog(read->trello->name, lists, m_window);
            dialog->open();
            auto answered = qCoro(dialog.data(), &QDialog::finished);
            const int result = co_await answered;
            if (!self || !dialog)
                co_return;
            chosen = dialog->chosenStatuses();
            dialog->deleteLater();
            if (result != QDialog::Accepted)
                co_return;
        }
        plan = planTrelloImport(*read->trello, chosen, now);
    } else {
        plan = std::move(*read->plan);
    }
    // The store is written on this thread in short slices, the window free between them; they are
    // one transaction, so Cancel (or a failure) takes back every slice.
    ImportWriter writer(std::move(plan), m_services.context, m_services.preferences);
    QPointer<QProgressDialog> writing;
    if (writer.itemCount() >= largeImportItems) {
        writing = showProgress(tr("Importing %1 items…").arg(writer.itemCount()));
        writing->setCancelButtonText(tr("Cancel"));
        writing->setRange(0, int(writer.itemCount()));
        writing->show();
    }
    while (true) {
        const auto done = writer.writeFor(std::chrono::milliseconds(writeSliceMs));
        if (!done) {
            if (writing)
                writing->close();
            tell(false, title, done.error() + tr("\n\nNothing was imported."));
            co_return;
        }
        if (writing)
            writing->setValue(int(writer.itemsWritten()));
        // A turn after the last slice too: the commit is a slice of its own.
        // Named, not a temporary of the co_await: GCC 12 may destroy such a temporary twice.
        auto turn = QCoro::sleepFor(std::chrono::milliseconds(0));
        co_await turn;
        if (!self)
            co_return;
        if (writing && writing->wasCanceled()) {
            writer.abandon();
            writing->close();
            tell(false, title, tr("The import was cancelled. Nothing was imported."));
            co_return;
        }
        if (*done)
            break;
    }
    const auto report = writer.finish();
    if (writing)
        writing->close();
    if (!report) {
        tell(false, title, report.error());
        co_return;
    }
    m_services.boards.loadBoards(m_services.isSignedIn());
    tell(true, title, report->text());
}
