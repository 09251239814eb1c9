// The File menu's "Import…", "Export Board…" and "Export All Boards…": the file dialogs, the
// question where unmatched Trello lists go, a progress bar while a large file is read or written,
// and the outcome. Reading, parsing and writing files (and an export's store reads, through a
// connection of its own) run off the UI thread; an import writes the store on it, in short slices of
// one transaction that Cancel takes back whole.
#pragma once

#include "transfer/ArchiveCollector.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class BoardViewModel;
class LocalStore;
class QAction;
class QProgressDialog;
class StoreContext;
class ToastManager;

class TransferCommands : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        StoreContext& context;
        LocalStore& preferences;
        BoardViewModel& boards;
        std::function<bool()> isSignedIn; // cloud boards are shown only while signed in
        ToastManager& toasts;
    };

    TransferCommands(Services services, QWidget* window, QObject* parent = nullptr);

    QAction* importAction() const { return m_import; }
    QAction* exportBoardAction() const { return m_exportBoard; }
    QAction* exportAllAction() const { return m_exportAll; }

    // What the menu entries run once a file is chosen.
    QCoro::Task<void> importFile(QString fileName);
    QCoro::Task<void> exportTo(QString fileName, ExportSelection selection);

Q_SIGNALS:
    // After each import or export, with what the user was told.
    void finished(bool succeeded, const QString& message);

private:
    void chooseImportFile();
    void chooseExportFile(ExportSelection selection, const QString& suggestedName);
    QProgressDialog* showProgress(const QString& label);
    void tell(bool succeeded, const QString& title, const QString& message);
    void updateExportBoard();

    Services m_services;
    QPointer<QWidget> m_window;
    QAction* m_import = nullptr;
    QAction* m_exportBoard = nullptr;
    QAction* m_exportAll = nullptr;
};
