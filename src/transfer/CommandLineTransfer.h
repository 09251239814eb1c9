// `plenko --export FILE [--board NAME]` and `plenko --import FILE [--list-status "LIST=STATUS"]…`:
// the whole export or import in this process, without a window, without the network or the
// keyring, and without taking part in the single-instance election (a later start still finds the
// running window, not this process). An import writes the store, so it runs only while no Plenko
// window does, holding the instance lock meanwhile: a window started during it waits until it ends.
// It prints what it imported, or the error naming the line or field, and then imports nothing.
#pragma once

#include "store/StoreContext.h"
#include "store/StoreError.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <expected>
#include <functional>
#include <memory>

class LocalStore;

class CommandLineTransfer
{
public:
    struct Places
    {
        std::function<std::expected<std::unique_ptr<StoreContext>, StoreError>()> openStore;
        LocalStore& preferences;
        QString instanceLock; // the lock file of the running window
    };

    // Exit codes: 0 done, 1 nothing done (the message says why), 2 the command line itself is wrong.
    static constexpr int failed = 1;
    static constexpr int usageError = 2;

    // Whether the arguments (without the program name) ask for an export or an import.
    static bool isRequested(const QStringList& arguments);
    static int run(const QStringList& arguments, const Places& places, QTextStream& out, QTextStream& err);
};
