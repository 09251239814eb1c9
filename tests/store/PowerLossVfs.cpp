#include "PowerLossVfs.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QThread>

#include <sqlite3.h>

#include <cstring>

namespace {
struct Images
{
    QMutex mutex;
    // Content as of the last sync, by path; a file never synced has none.
    QHash<QString, QByteArray> synced;
    QHash<QString, int> syncs;
    QHash<QString, QHash<Qt::HANDLE, int>> syncsByThread;
};

Images& images()
{
    static Images instance;
    return instance;
}

struct ImageFile
{
    sqlite3_file base;
    sqlite3_file* real;
    char path[1024];
};

sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs imageVfs;
sqlite3_io_methods imageMethods;

sqlite3_file* real(sqlite3_file* file)
{
    return reinterpret_cast<ImageFile*>(file)->real;
}

int imageClose(sqlite3_file* file)
{
    const int rc = real(file)->pMethods ? real(file)->pMethods->xClose(real(file)) : SQLITE_OK;
    return rc;
}

int imageRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
{
    return real(file)->pMethods->xRead(real(file), buffer, amount, offset);
}

int imageWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset)
{
    return real(file)->pMethods->xWrite(real(file), buffer, amount, offset);
}

int imageTruncate(sqlite3_file* file, sqlite3_int64 size)
{
    return real(file)->pMethods->xTruncate(real(file), size);
}

int imageSync(sqlite3_file* file, int flags)
{
    const int rc = real(file)->pMethods->xSync(real(file), flags);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_int64 size = 0;
    if (real(file)->pMethods->xFileSize(real(file), &size) != SQLITE_OK)
        return SQLITE_IOERR_FSYNC;
    QByteArray content(qsizetype(size), Qt::Uninitialized);
    if (size > 0 && real(file)->pMethods->xRead(real(file), content.data(), int(size), 0) != SQLITE_OK)
        return SQLITE_IOERR_FSYNC;
    const QString path = QString::fromUtf8(reinterpret_cast<ImageFile*>(file)->path);
    QMutexLocker lock(&images().mutex);
    images().synced.insert(path, content);
    ++images().syncs[path];
    ++images().syncsByThread[path][QThread::currentThreadId()];
    return SQLITE_OK;
}

int imageFileSize(sqlite3_file* file, sqlite3_int64* size)
{
    return real(file)->pMethods->xFileSize(real(file), size);
}

int imageLock(sqlite3_file* file, int level)
{
    return real(file)->pMethods->xLock(real(file), level);
}

int imageUnlock(sqlite3_file* file, int level)
{
    return real(file)->pMethods->xUnlock(real(file), level);
}

int imageCheckReservedLock(sqlite3_file* file, int* out)
{
    return real(file)->pMethods->xCheckReservedLock(real(file), out);
}

int imageFileControl(sqlite3_file* file, int op, void* arg)
{
    return real(file)->pMethods->xFileControl(real(file), op, arg);
}

int imageSectorSize(sqlite3_file* file)
{
    return real(file)->pMethods->xSectorSize(real(file));
}

int imageDeviceCharacteristics(sqlite3_file* file)
{
    return real(file)->pMethods->xDeviceCharacteristics(real(file));
}

int imageShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out)
{
    return real(file)->pMethods->xShmMap(real(file), region, size, extend, out);
}

int imageShmLock(sqlite3_file* file, int offset, int n, int flags)
{
    return real(file)->pMethods->xShmLock(real(file), offset, n, flags);
}

void imageShmBarrier(sqlite3_file* file)
{
    real(file)->pMethods->xShmBarrier(real(file));
}

int imageShmUnmap(sqlite3_file* file, int deleteFlag)
{
    return real(file)->pMethods->xShmUnmap(real(file), deleteFlag);
}

int imageFetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out)
{
    // No memory mapping: every page goes through xRead.
    (void)file;
    (void)offset;
    (void)amount;
    *out = nullptr;
    return SQLITE_OK;
}

int imageUnfetch(sqlite3_file*, sqlite3_int64, void*)
{
    return SQLITE_OK;
}

int imageOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* image = reinterpret_cast<ImageFile*>(file);
    std::memset(image, 0, sizeof(ImageFile));
    image->real = reinterpret_cast<sqlite3_file*>(image + 1);
    if (name)
        std::strncpy(image->path, name, sizeof(image->path) - 1);
    const int rc = realVfs->xOpen(realVfs, name, image->real, flags, outFlags);
    // SQLite calls xClose whenever pMethods is set, even after a failed open.
    image->base.pMethods = image->real->pMethods ? &imageMethods : nullptr;
    return rc;
}

int imageDelete(sqlite3_vfs*, const char* name, int syncDirectory)
{
    // A log is deleted once its content is in the store file, synced: it is no longer needed.
    {
        QMutexLocker lock(&images().mutex);
        images().synced.remove(QString::fromUtf8(name));
    }
    return realVfs->xDelete(realVfs, name, syncDirectory);
}
}

namespace PowerLossVfs {
void install()
{
    if (realVfs)
        return;
    realVfs = sqlite3_vfs_find(nullptr);
    imageMethods = sqlite3_io_methods {};
    imageMethods.iVersion = 3;
    imageMethods.xClose = imageClose;
    imageMethods.xRead = imageRead;
    imageMethods.xWrite = imageWrite;
    imageMethods.xTruncate = imageTruncate;
    imageMethods.xSync = imageSync;
    imageMethods.xFileSize = imageFileSize;
    imageMethods.xLock = imageLock;
    imageMethods.xUnlock = imageUnlock;
    imageMethods.xCheckReservedLock = imageCheckReservedLock;
    imageMethods.xFileControl = imageFileControl;
    imageMethods.xSectorSize = imageSectorSize;
    imageMethods.xDeviceCharacteristics = imageDeviceCharacteristics;
    imageMethods.xShmMap = imageShmMap;
    imageMethods.xShmLock = imageShmLock;
    imageMethods.xShmBarrier = imageShmBarrier;
    imageMethods.xShmUnmap = imageShmUnmap;
    imageMethods.xFetch = imageFetch;
    imageMethods.xUnfetch = imageUnfetch;

    imageVfs = *realVfs;
    imageVfs.zName = "power-loss-image";
    imageVfs.szOsFile = int(sizeof(ImageFile)) + realVfs->szOsFile;
    imageVfs.pNext = nullptr;
    imageVfs.xOpen = imageOpen;
    imageVfs.xDelete = imageDelete;
    sqlite3_vfs_register(&imageVfs, 1);
}

int syncCount(const QString& suffix, Threads threads)
{
    QMutexLocker lock(&images().mutex);
    int count = 0;
    for (auto it = images().syncs.cbegin(); it != images().syncs.cend(); ++it) {
        if (!it.key().endsWith(suffix))
            continue;
        count += threads == Threads::any
            ? it.value()
            : images().syncsByThread.value(it.key()).value(QThread::currentThreadId());
    }
    return count;
}

void writeImage(const QString& storePath, const QString& imagePath)
{
    QMutexLocker lock(&images().mutex);
    const auto write = [](const QString& path, const QByteArray& content) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
            qFatal("could not write the power-cut image %s", qPrintable(path));
    };
    QFile::remove(imagePath + QStringLiteral("-shm"));
    write(imagePath, images().synced.value(storePath));
    const QString log = storePath + QStringLiteral("-wal");
    if (images().synced.contains(log))
        write(imagePath + QStringLiteral("-wal"), images().synced.value(log));
    else
        QFile::remove(imagePath + QStringLiteral("-wal"));
}
}
