#pragma once

#include "platform/image.h"
#include "player/media/picturecache.h"

namespace sleevelight {

// Pictures decoded at the size they were shown, kept on disk by the digest of their bytes (one
// entry per picture, at the size shown last), so that a large cover met again, after a restart too,
// is neither decoded from its bytes again nor previewed from them. Kept as JPEG; pictures with
// transparency are not kept. Every call reads or writes files: meant for a worker's thread.
class DecodedPictures : public DecodedPictureStore
{
public:
    // $XDG_CACHE_HOME/Sleevelight/decoded.
    static QString defaultFolder();

    explicit DecodedPictures(QString folder = defaultFolder(), qint64 maxBytes = 64 * 1024 * 1024);

    QImage find(const QByteArray& bytes, const QSize& target) override;
    void keep(const QByteArray& bytes, const QImage& decoded) override;
    // The picture whose bytes have this SHA-1, as kept, decoded to fit within `side` pixels; null
    // when none is kept.
    QImage preview(const QByteArray& sha1, int side);

private:
    std::optional<QByteArray> entry(const QByteArray& sha1);

    PictureCache m_cache;
};

} // namespace sleevelight
