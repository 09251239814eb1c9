// Why a drag payload could not be read: the payload's name as domain ("BoardTransfer" or
// "ItemTransfer"), code -1, and a sentence for the diagnostic log.
#pragma once

#include <QString>

struct TransferError
{
    QString domain;
    int code = -1;
    QString message;

    friend bool operator==(const TransferError&, const TransferError&) = default;
};
