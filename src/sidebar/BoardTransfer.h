// The payload of a dragged sidebar board: its id, under the application's own content type
// "net.plenko.board-id" as the upper-case hyphenated UUID text in UTF-8.
#pragma once

#include "sidebar/TransferError.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUuid>
#include <expected>

class QMimeData;

struct BoardTransfer
{
    QUuid id;

    static QString mimeType();

    QByteArray encoded() const;
    static std::expected<BoardTransfer, TransferError> decode(const QByteArray& data);

    // A new mime data object holding only this payload; a QDrag or the clipboard takes ownership.
    QMimeData* toMimeData() const;
    void writeTo(QMimeData& mimeData) const;

    // Whether a drag carries a board at all: what a drop target checks on entering.
    static bool isOffered(const QMimeData* mimeData);
    // Reads the payload; a missing format or unreadable bytes give an error of domain "BoardTransfer".
    static std::expected<BoardTransfer, TransferError> read(const QMimeData* mimeData);

    friend bool operator==(const BoardTransfer&, const BoardTransfer&) = default;
};

inline size_t qHash(const BoardTransfer& transfer, size_t seed = 0)
{
    return qHash(transfer.id, seed);
}
