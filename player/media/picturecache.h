#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace sleevelight {

// Pictures fetched from the web (and the web's answers about lyrics), kept on disk by their address
// so that a track played again shows its artwork at once and without the network. Each entry carries a
// checksum: a damaged one is removed, never handed on. When the folder outgrows its limit, the entries used
// least recently go first. Meant for a worker's thread: every call reads or writes files.
class PictureCache
{
public:
    // $XDG_CACHE_HOME/Sleevelight/pictures (~/.cache when the variable is unset).
    static QString defaultFolder();

    explicit PictureCache(QString folder = defaultFolder(), qint64 maxBytes = 64 * 1024 * 1024);

    std::optional<QByteArray> picture(const QString& address, qint64 maxBytes);
    // Keeps the picture unless an entry for the address is there already (or in its place, with
    // `replace`); false when it could not.
    bool keep(const QString& address, const QByteArray& bytes, bool replace = false);

    QString folder() const { return m_folder; }

private:
    QString entryPath(const QString& address) const;
    void trim();

    QString m_folder;
    qint64 m_maxBytes;
};

} // namespace sleevelight
