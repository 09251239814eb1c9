// A failure of the local store, as text fit for the log or a message. Fetches and saves return it.
#pragma once

#include <QString>

struct StoreError
{
    QString message;
};
