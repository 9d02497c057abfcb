// A data: address from a player's mpris:artUrl, read into the pictures of a track.
// Input: the address as UTF-8; "data:" is put in front when it does not start so.

#include "fuzz/fuzzinput.h"
#include "player/artworkcollector.h"

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

    ArtworkCollector collector;
    const QList<QByteArray> pictures = collector.pictures(address, QString());
    FUZZ_ASSERT(pictures.size() <= 1);
    for (const QByteArray& picture : pictures) {
        FUZZ_ASSERT(!picture.isEmpty() && picture.size() <= collector.limits().maxPictureBytes);
        FUZZ_ASSERT(collector.isDecodablePicture(picture));
    }
    // Asked again for the same track, the collector answers the same without reading anything.
    FUZZ_ASSERT(collector.pictures(address, QString()) == pictures);
    return 0;
}
