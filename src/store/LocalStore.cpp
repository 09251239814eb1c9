#include "store/LocalStore.h"

#include "BundleInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLockFile>

namespace {

// "net.plenko.Plenko" names the organisation "net.plenko" and the application "Plenko".
std::unique_ptr<QSettings> applicationSettings()
{
    const QString identifier = QString::fromUtf8(BundleInfo::bundleIdentifier);
    const qsizetype lastDot = identifier.lastIndexOf(QLatin1Char('.'));
    const QString organization = lastDot > 0 ? identifier.left(lastDot) : identifier;
    const QString application = lastDot > 0 ? identifier.mid(lastDot + 1) : identifier;
    return std::make_unique<QSettings>(
        QSettings::NativeFormat, QSettings::UserScope, organization, application);
}

// A process killed while saving can leave the settings' lock file behind, possibly empty. The
// settings would wait half a minute for such a lock to turn stale before their first write, with the
// window frozen, so at start a lock whose owner cannot be named, or no longer runs, goes at once.
void clearAbandonedLock(const QString& settingsFile)
{
    if (settingsFile.isEmpty())
        return;
    const QString lockPath = settingsFile + QStringLiteral(".lock");
    if (!QFileInfo::exists(lockPath))
        return;
    QLockFile lock(lockPath);
    qint64 pid = 0;
    QString hostName;
    QString application;
    if (!lock.getLockInfo(&pid, &hostName, &application)) {
        QFile::remove(lockPath);
        return;
    }
    // Takes over a lock of a process that no longer runs; a live owner keeps its lock.
    if (lock.tryLock(0))
        lock.unlock();
}

}

LocalStore& LocalStore::shared()
{
    static LocalStore store(applicationSettings());
    return store;
}

LocalStore::LocalStore(QSettings* settings)
    : m_settings(settings)
{
}

LocalStore::LocalStore(const QString& filePath)
    : LocalStore(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

LocalStore::LocalStore(std::unique_ptr<QSettings> settings)
    : m_ownedSettings(std::move(settings))
    , m_settings(m_ownedSettings.get())
{
    clearAbandonedLock(m_settings->fileName());
}

LocalStore::~LocalStore()
{
    m_settings->sync();
}

void LocalStore::removeAll(const QString& prefix)
{
    bool removed = false;
    const QStringList keys = m_settings->allKeys();
    for (const QString& key : keys) {
        if (key.startsWith(prefix, Qt::CaseSensitive)) {
            m_settings->remove(key);
            removed = true;
        }
    }
    if (removed)
        m_settings->sync();
}

void LocalStore::remove(const QString& name)
{
    if (!m_settings->contains(name))
        return;
    m_settings->remove(name);
    m_settings->sync();
}

bool LocalStore::contains(const QString& name) const
{
    return m_settings->contains(name);
}

std::optional<QByteArray> LocalStore::readData(const QString& name) const
{
    const QVariant stored = m_settings->value(name);
    if (!stored.isValid())
        return std::nullopt;
    // Bytes are what we write; text from another writer is taken as its UTF-8 bytes and judged by
    // the decoder. Anything else (numbers, lists) cannot be our JSON bytes.
    if (stored.typeId() == QMetaType::QByteArray)
        return stored.toByteArray();
    if (stored.typeId() == QMetaType::QString)
        return stored.toString().toUtf8();
    return QByteArray();
}

void LocalStore::writeData(const QString& name, const QByteArray& data)
{
    // The same bytes again (a layout re-derived after an unrelated change, a checkpoint that did not
    // move) would only cost a rewrite of the file and its flushes to disk.
    const QVariant stored = m_settings->value(name);
    if (stored.typeId() == QMetaType::QByteArray && stored.toByteArray() == data)
        return;
    m_settings->setValue(name, data);
    // Written through at once, so a crash right after a sync does not lose its checkpoint.
    m_settings->sync();
}

// A fragment may be a bare value ("true", "12", "\"A…\""), which QJsonDocument does not parse on its
// own: wrap it in an array and insist on exactly one element.
std::optional<QJsonValue> LocalStore::parseFragment(const QByteArray& data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson("[" + data + "]", &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    if (array.size() != 1)
        return std::nullopt;
    return array.first();
}

QByteArray LocalStore::serializeFragment(const QJsonValue& value)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray {value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}
