// A player's Metadata as the bridge receives it: built from the input with the D-Bus types
// players use, marshalled to the wire format and read back by QtDBus (a call to this process's
// own connection takes that road without a round trip through the bus), then read into the
// track information.
//
// Input: a count of entries, then per entry a key (a byte naming a known key, or a text) and a
// value (a byte choosing its D-Bus type, then its content). See Input in fuzzinput.h.

#include "fuzz/fuzzinput.h"
#include "player/mpris/mprismetadata.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include <cctype>
#include <cmath>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using sleevelight::fuzz::Input;

namespace {

const QString objectPath = u"/fuzz/player"_s;
const QString propertiesInterface = u"org.freedesktop.DBus.Properties"_s;

const char* const knownKeys[] = {
    "mpris:trackid",    "xesam:title",          "xesam:album",
    "xesam:artist",     "xesam:albumArtist",    "xesam:url",
    "mpris:artUrl",     "mpris:length",         "xesam:trackNumber",
    "xesam:discNumber", "xesam:contentCreated", "xesam:userRating",
    "xesam:genre",      "xesam:audioBitrate",   "vlc:codec",
    "audio-format",
};

// An object path D-Bus accepts, from any text.
QString objectPathFrom(const QString& text)
{
    QString path = u"/t"_s;
    for (QChar c : text.left(64)) {
        const char16_t u = c.unicode();
        path += (u < 128 && (std::isalnum(int(u)) || u == u'_')) ? c : QChar(u'_');
    }
    return path;
}

QVariant valueFrom(Input& input, int depth)
{
    const int kind = input.byte() % 16;
    switch (kind) {
    case 0:
        return input.text();
    case 1:
        return input.number<qint32>();
    case 2:
        return input.number<quint32>();
    case 3:
        return QVariant::fromValue(input.number<qlonglong>());
    case 4:
        return QVariant::fromValue(input.number<qulonglong>());
    case 5:
        return input.number<double>();
    case 6:
        return bool(input.byte() & 1);
    case 7:
        return QVariant::fromValue(uchar(input.byte()));
    case 8:
        return QVariant::fromValue(input.number<short>());
    case 9:
        return QVariant::fromValue(input.number<ushort>());
    case 10: {
        QStringList list;
        for (int n = input.byte() % 9; n > 0; --n)
            list << input.text();
        return list;
    }
    case 11:
        return QVariant::fromValue(QDBusObjectPath(objectPathFrom(input.text())));
    case 12:
        if (depth < 4)
            return QVariant::fromValue(QDBusVariant(valueFrom(input, depth + 1)));
        return input.text();
    case 13: {
        QVariantMap map;
        for (int n = depth < 4 ? input.byte() % 5 : 0; n > 0; --n) {
            const QString key = input.text();
            map.insert(key, valueFrom(input, depth + 1));
        }
        return map;
    }
    case 14: {
        QVariantList list;
        for (int n = depth < 4 ? input.byte() % 5 : 0; n > 0; --n)
            list << QVariant::fromValue(QDBusVariant(valueFrom(input, depth + 1)));
        return list;
    }
    default:
        return input.bytes();
    }
}

bool isDisplayText(const std::optional<QString>& text)
{
    if (!text)
        return true;
    if (text->size() > maxTrackTextLength)
        return false;
    for (QChar c : *text)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

// Everything the bridge derives from a track's metadata, with what it promises of it.
void readTrack(const QVariantMap& metadata)
{
    const Track track = mpris::parseMetadata(metadata);
    FUZZ_ASSERT(isDisplayText(track.title));
    FUZZ_ASSERT(isDisplayText(track.album));
    FUZZ_ASSERT(isDisplayText(track.artist));
    FUZZ_ASSERT(isDisplayText(track.displayName()));
    FUZZ_ASSERT(!track.trackNumber || (*track.trackNumber >= 1 && *track.trackNumber <= 1'000'000));
    FUZZ_ASSERT(!track.discNumber || (*track.discNumber >= 1 && *track.discNumber <= 1'000'000));
    FUZZ_ASSERT(!track.lengthUs || *track.lengthUs > 0);
    FUZZ_ASSERT(!track.year || (*track.year >= 1 && *track.year <= 9999));
    FUZZ_ASSERT(!track.rating || (*track.rating >= 0.0 && *track.rating <= 1.0));
    (void)track.isEmpty();
    (void)track.storeKey();
    (void)trackNumbersText(track.trackNumber, track.discNumber);
    if (track.lengthUs)
        FUZZ_ASSERT(!formatTime(*track.lengthUs).isEmpty());
    (void)localPath(track.url);
    (void)localPath(track.artUrl);
    for (const QVariant& value : metadata) {
        const std::optional<double> number = mpris::numberFrom(value, true);
        FUZZ_ASSERT(!number || std::isfinite(*number));
    }
}

// Receives the PropertiesChanged the fuzzer sends to itself, as MprisPlayer receives a player's.
class Receiver : public QDBusVirtualObject
{
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QVariantMap changed = qdbus_cast<QVariantMap>(message.arguments().value(1));
        readTrack(mpris::plainValue(changed.value(u"Metadata"_s)).toMap());
        connection.send(message.createReply());
        return true;
    }
};

QDBusConnection* g_bus = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    static QDBusConnection bus = QDBusConnection::sessionBus();
    static Receiver receiver;
    if (!bus.isConnected() || !bus.registerVirtualObject(objectPath, &receiver)) {
        std::fprintf(stderr, "fuzz_metadata needs a session bus: run it under dbus-run-session\n");
        std::exit(2);
    }
    g_bus = &bus;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input input(data, size);
    QVariantMap metadata;
    for (int n = input.byte() % 17; n > 0 && !input.atEnd(); --n) {
        const uint8_t selector = input.byte();
        const QString key =
            selector < std::size(knownKeys) ? QString::fromLatin1(knownKeys[selector]) : input.text();
        metadata.insert(key, valueFrom(input, 0));
    }
    // As the values stand, before any marshalling.
    readTrack(metadata);

    QDBusMessage call = QDBusMessage::createMethodCall(g_bus->baseService(), objectPath, propertiesInterface,
                                                       u"PropertiesChanged"_s);
    call << u"org.mpris.MediaPlayer2.Player"_s << QVariant::fromValue(QVariantMap{{u"Metadata"_s, metadata}})
         << QStringList();
    g_bus->call(call, QDBus::Block, 1000);
    return 0;
}
