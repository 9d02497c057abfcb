// A music server's answer, its "name: value" lines, read into a song, the server's state, the
// stickers and the lyrics; the first line is also read as a server's address.
// Input: the lines as sent, split at '\n' and at the first ": " of each.

#include "fuzz/fuzzinput.h"
#include "player/mpd/mpdaddress.h"
#include "player/mpd/mpdanswers.h"

using namespace Qt::StringLiterals;

using namespace sleevelight;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    mpd::Pairs pairs;
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype colon = line.indexOf(": ");
        if (colon > 0)
            pairs.append({line.left(colon), line.mid(colon + 2)});
    }

    const auto isShort = [](const std::optional<QString>& text) {
        return !text || text->size() <= maxTrackTextLength;
    };
    const auto isNumber = [](const std::optional<qint64>& number) {
        return !number || (*number >= 1 && *number <= 1'000'000);
    };
    Track track = mpd::trackFrom(pairs, u"mpd://server/song"_s);
    FUZZ_ASSERT(isShort(track.title) && isShort(track.album) && isShort(track.artist));
    FUZZ_ASSERT(isNumber(track.trackNumber) && isNumber(track.discNumber));
    FUZZ_ASSERT(!track.lengthUs || *track.lengthUs > 0);
    mpd::applyStickers(track, pairs);
    FUZZ_ASSERT(track.rating && *track.rating >= 0.0 && *track.rating <= 1.0 && track.loved);

    const mpd::Status status = mpd::statusFrom(pairs);
    FUZZ_ASSERT(!status.volume || (*status.volume >= 0 && *status.volume <= 100));
    FUZZ_ASSERT(!status.elapsedUs || *status.elapsedUs >= 0);
    mpd::lyricsFrom(pairs);

    const QString first = QString::fromUtf8(bytes.left(bytes.indexOf('\n')));
    if (const std::optional<MpdEndpoint> endpoint = parseMpdEndpoint(first)) {
        FUZZ_ASSERT(endpoint->port >= 1 && endpoint->port <= 65535);
        FUZZ_ASSERT(!endpoint->host.isEmpty() || !endpoint->socketPath.isEmpty());
    }
    return 0;
}
