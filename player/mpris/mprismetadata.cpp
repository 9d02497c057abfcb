#include "player/mpris/mprismetadata.h"

#include "player/values.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <cmath>

using namespace Qt::StringLiterals;

namespace sleevelight::mpris {

namespace {

std::optional<QString> textFrom(const QVariant& value)
{
    const QVariant plain = plainValue(value);
    if (plain.typeId() != QMetaType::QString)
        return std::nullopt;
    return cleanTrackText(plain.toString());
}

// A list of texts, or one text where a list is expected.
std::optional<QString> joinedTextFrom(const QVariant& value)
{
    const QVariant plain = plainValue(value);
    QStringList parts;
    if (plain.typeId() == QMetaType::QString) {
        parts << plain.toString();
    } else if (plain.typeId() == QMetaType::QStringList) {
        parts = plain.toStringList();
    } else {
        return std::nullopt;
    }
    QStringList kept;
    qsizetype length = 0;
    for (const QString& part : std::as_const(parts)) {
        const QString text = cleanTrackText(part);
        if (text.isEmpty())
            continue;
        kept << text;
        length += text.size() + 2;
        if (length > maxTrackTextLength)
            break;
    }
    return cleanTrackText(kept.join(u", "_s));
}

std::optional<qint64> positiveIntegerFrom(const QVariant& value)
{
    const std::optional<double> number = numberFrom(value, true);
    if (!number || *number < 1.0 || *number > 1.0e6)
        return std::nullopt;
    return static_cast<qint64>(*number);
}

std::optional<int> yearFrom(const QVariant& value)
{
    const QVariant plain = plainValue(value);
    if (plain.typeId() == QMetaType::QString)
        return yearFromText(plain.toString());
    const std::optional<double> number = numberFrom(plain);
    if (!number || *number < 1.0 || *number > 9999.0)
        return std::nullopt;
    return static_cast<int>(*number);
}

} // namespace

QVariant plainValue(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        return plainValue(value.value<QDBusVariant>().variant());
    if (value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return value;

    const QDBusArgument argument = value.value<QDBusArgument>();
    const QString signature = argument.currentSignature();
    if (signature == "a{sv}"_L1) {
        QVariantMap map;
        argument >> map;
        return map;
    }
    if (signature == "av"_L1) {
        // Some players wrap each artist in a variant of its own.
        QStringList texts;
        bool allTexts = true;
        argument.beginArray();
        // Read to the end whatever comes: the array must be closed again, or its reader leaks.
        while (!argument.atEnd()) {
            QDBusVariant item;
            argument >> item;
            const QVariant inner = plainValue(item.variant());
            allTexts = allTexts && inner.typeId() == QMetaType::QString;
            if (allTexts)
                texts << inner.toString();
        }
        argument.endArray();
        return allTexts ? QVariant(texts) : QVariant();
    }
    return {};
}

std::optional<double> numberFrom(const QVariant& value, bool allowText)
{
    const QVariant plain = plainValue(value);
    // A flag is not a count: D-Bus booleans are no track number, length or year.
    if (plain.typeId() == QMetaType::Bool)
        return std::nullopt;
    if (isNumber(plain))
        return finiteNumber(plain);
    if (!allowText || plain.typeId() != QMetaType::QString)
        return std::nullopt;
    // "7" or "7/12": the leading whole number.
    const std::optional<qint64> number = leadingNumber(plain.toString());
    return number ? std::optional<double>(double(*number)) : std::nullopt;
}

Track parseMetadata(const QVariantMap& metadata)
{
    Track track;
    track.id = textFrom(metadata.value(u"mpris:trackid"_s)).value_or(QString());
    track.title = textFrom(metadata.value(u"xesam:title"_s));
    track.album = textFrom(metadata.value(u"xesam:album"_s));
    track.artist = joinedTextFrom(metadata.value(u"xesam:artist"_s));
    // Addresses are not cleaned like display texts, only bounded.
    for (auto [key, field] :
         {std::pair{u"xesam:url"_s, &track.url}, std::pair{u"mpris:artUrl"_s, &track.artUrl}}) {
        const QVariant plain = plainValue(metadata.value(key));
        if (plain.typeId() == QMetaType::QString && plain.toString().size() <= 64 * 1024 * 1024)
            *field = plain.toString().trimmed();
    }
    track.trackNumber = positiveIntegerFrom(metadata.value(u"xesam:trackNumber"_s));
    track.discNumber = positiveIntegerFrom(metadata.value(u"xesam:discNumber"_s));
    // Under a microsecond the length would be 0, and the position is divided by it.
    if (const std::optional<double> length = numberFrom(metadata.value(u"mpris:length"_s));
        length && *length >= 1.0 && *length < 1.0e15)
        track.lengthUs = static_cast<qint64>(*length);
    track.year = yearFrom(metadata.value(u"xesam:contentCreated"_s));
    // A whole song's words are a few kilobytes; a text far beyond that is not lyrics.
    if (const QVariant text = plainValue(metadata.value(u"xesam:asText"_s));
        text.typeId() == QMetaType::QString && text.toString().size() <= 256 * 1024)
        track.lyricsText = text.toString();
    if (const std::optional<double> rating = numberFrom(metadata.value(u"xesam:userRating"_s)))
        track.rating = std::clamp(*rating, 0.0, 1.0);

    QStringList encoding;
    for (auto it = metadata.begin(); it != metadata.end(); ++it) {
        const QString key = it.key().toLower();
        if (!key.contains("bitrate"_L1) && !key.contains("codec"_L1) && !key.contains("samplerate"_L1) &&
            !key.contains("format"_L1))
            continue;
        const QVariant plain = plainValue(it.value());
        if (plain.typeId() == QMetaType::QString || numberFrom(plain))
            encoding << cleanTrackText(it.key().section(u':', -1) + u": "_s + plain.toString());
    }
    track.encodingText = encoding.join(u", "_s);
    return track;
}

} // namespace sleevelight::mpris
