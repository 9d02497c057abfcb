// A data: address from a player's mpris:artUrl, read into the pictures of a track.
// Input: the address as UTF-8; "data:" is put in front when it does not start so.

#include "fuzz/fuzzinput.h"
#include "player/media/trackfiles.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

using namespace sleevelight;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString address = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!address.startsWith("data:"_L1, Qt::CaseInsensitive))
        address.prepend("data:"_L1);

    TrackFilesReader reader;
    const QList<QByteArray> pictures = reader.read({QString(), address, {}}).pictures;
    FUZZ_ASSERT(pictures.size() <= 1);
    for (const QByteArray& picture : pictures) {
        FUZZ_ASSERT(!picture.isEmpty() && picture.size() <= reader.limits().maxPictureBytes);
        FUZZ_ASSERT(reader.isDecodablePicture(picture));
    }
    // Asked again, now that the picture is known to decode, the reader answers the same.
    FUZZ_ASSERT(reader.read({QString(), address, {}}).pictures == pictures);
    return 0;
}
