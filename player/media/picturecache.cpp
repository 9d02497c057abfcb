#include "player/media/picturecache.h"

#include "player/media/localmedia.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// An entry: this mark, the SHA-256 of the picture, then the picture.
constexpr QByteArrayView entryMark = "SLPIC1\n";
constexpr qsizetype digestSize = 32;
constexpr int maxEntriesLooked = 5000;

QByteArray digestOf(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

} // namespace

QString PictureCache::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           u"/Sleevelight/pictures"_s;
}

PictureCache::PictureCache(QString folder, qint64 maxBytes)
    : m_folder(std::move(folder)), m_maxBytes(maxBytes)
{}

QString PictureCache::entryPath(const QString& address) const
{
    const QByteArray name = QCryptographicHash::hash(address.toUtf8(), QCryptographicHash::Sha1).toHex();
    return m_folder + u'/' + QString::fromLatin1(name);
}

std::optional<QByteArray> PictureCache::picture(const QString& address, qint64 maxBytes)
{
    if (m_folder.isEmpty())
        return std::nullopt;
    const QString path = entryPath(address);
    const std::optional<QByteArray> entry =
        localmedia::readRegularFile(path, maxBytes + entryMark.size() + digestSize);
    if (!entry)
        return std::nullopt;
    const QByteArrayView view(*entry);
    const qsizetype start = entryMark.size() + digestSize;
    if (!view.startsWith(entryMark) || view.size() <= start ||
        view.sliced(entryMark.size(), digestSize) != digestOf(view.sliced(start))) {
        QFile::remove(path);
        return std::nullopt;
    }
    // Used now: the last to go when the folder is trimmed.
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0);
    return entry->mid(start);
}

bool PictureCache::keep(const QString& address, const QByteArray& bytes, bool replace)
{
    if (m_folder.isEmpty() || bytes.isEmpty() || bytes.size() > m_maxBytes)
        return false;
    const QString path = entryPath(address);
    if (!replace && localmedia::isRegularFile(path))
        return true;
    if (!QDir().mkpath(m_folder))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(entryMark.data(), entryMark.size());
    file.write(digestOf(bytes));
    file.write(bytes);
    if (!file.commit())
        return false;
    trim();
    return true;
}

void PictureCache::trim()
{
    struct Entry
    {
        qint64 usedNs;
        qint64 size;
        QString path;
    };
    QList<Entry> entries;
    qint64 total = 0;
    QDirIterator it(m_folder, QDir::Files | QDir::Hidden);
    while (it.hasNext() && entries.size() < maxEntriesLooked) {
        const QString path = it.next();
        struct stat status
        {
        };
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            continue;
        // To the nanosecond: entries used within one millisecond still come in the right order.
        entries.append({qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
                        qint64(status.st_size), path});
        total += status.st_size;
    }
    if (total <= m_maxBytes)
        return;
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.usedNs < b.usedNs; });
    for (const Entry& entry : std::as_const(entries)) {
        if (total <= m_maxBytes)
            break;
        if (QFile::remove(entry.path))
            total -= entry.size;
    }
}

} // namespace sleevelight
