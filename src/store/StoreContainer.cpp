#include "store/StoreContainer.h"

#include "BundleInfo.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

namespace {
StoreError setUpFailure(const QString& description)
{
    return StoreError { QStringLiteral("Unable to set up the local store: %1").arg(description) };
}
}

QString StoreContainer::fileName(const QString& dataFolder, const QString& bundleIdentifier)
{
    return QDir(dataFolder).filePath(bundleIdentifier + QStringLiteral("/default.store"));
}

std::expected<std::unique_ptr<StoreContext>, StoreError> StoreContainer::open()
{
    return open(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
        QString::fromUtf8(BundleInfo::bundleIdentifier));
}

std::expected<std::unique_ptr<StoreContext>, StoreError> StoreContainer::open(const QString& dataFolder,
    const QString& bundleIdentifier)
{
    if (bundleIdentifier.isEmpty() || dataFolder.isEmpty())
        return std::unexpected(setUpFailure(QString::fromLocal8Bit(std::strerror(ENOENT))));
    const QString folder = QDir(dataFolder).filePath(bundleIdentifier);
    if (!QDir().mkpath(folder))
        return std::unexpected(setUpFailure(QStringLiteral("Could not create the folder %1").arg(folder)));
    auto context = StoreContext::open(fileName(dataFolder, bundleIdentifier));
    if (!context)
        return std::unexpected(setUpFailure(context.error().message));
    return context;
}
