// The conflict copies this computer keeps: the user's versions of items that the service replaced
// or refused. Loaded from the store at start and written through at once on every change, so they
// survive restarts. Views read them (per board, per item) and the workspace adds and discards them.
#pragma once

#include "domain/ConflictCopy.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <optional>

class StoreContext;

class ConflictCopies : public QObject
{
    Q_OBJECT

public:
    explicit ConflictCopies(StoreContext& context, QObject* parent = nullptr);

    // Re-reads every copy from the store.
    void load();

    const QList<ConflictCopy>& all() const { return m_copies; }
    // The board's copies, oldest first; with orphans, also those of boards not in knownBoards.
    QList<ConflictCopy> forBoard(const QUuid& boardId) const;
    QList<ConflictCopy> orphans(const QSet<QUuid>& knownBoards) const;
    bool hasCopyOf(const QUuid& itemId) const;
    std::optional<ConflictCopy> find(const QUuid& copyId) const;

    // Keeps the copy unless the same text of the same item is kept already. Written at once; when
    // the write fails the copy still stays for this run and a log line says so.
    void keep(const ConflictCopy& copy);
    void discard(const QUuid& copyId);
    void discardAll(const QList<QUuid>& copyIds);

Q_SIGNALS:
    void changed();

private:
    StoreContext& m_context;
    QList<ConflictCopy> m_copies;
};
