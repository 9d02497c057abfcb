#include "player/media/lyrics.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sleevelight::lyrics {

namespace {

// A time tag: minutes (any number of them), seconds, and a fraction after a dot or a colon.
const QRegularExpression timeTag(uR"(^\[(\d{1,4}):(\d{1,2})(?:[.:](\d{1,3}))?\])"_s);
// Any other tag at the start of a line: [ar:Artist], [offset:+250], [length: 03:20].
const QRegularExpression otherTag(uR"(^\[([A-Za-z#]+):([^\]]*)\])"_s);
// Word times of enhanced LRC inside a line.
const QRegularExpression wordTime(uR"(<\d{1,4}:\d{1,2}(?:[.:]\d{1,3})?>)"_s);

qint64 fractionMs(const QString& digits)
{
    if (digits.isEmpty())
        return 0;
    // .5 is half a second, .05 five hundredths, .005 five thousandths.
    const qint64 value = digits.toLongLong();
    return digits.size() == 1 ? value * 100 : digits.size() == 2 ? value * 10 : value;
}

} // namespace

QString decodeText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16);
        return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

Lyrics fromText(const QString& text)
{
    Lyrics lyrics;
    QList<Line> untimed;
    qint64 offset = 0;
    QStringList rows = text.split(u'\n');
    for (QString& row : rows) {
        if (row.endsWith(u'\r'))
            row.chop(1);
        QStringView rest(row);
        rest = rest.trimmed();
        QList<qint64> times;
        bool tagged = false;
        while (rest.startsWith(u'[')) {
            if (const QRegularExpressionMatch time = timeTag.match(rest); time.hasMatch()) {
                times << (time.captured(1).toLongLong() * 60 + time.captured(2).toLongLong()) * 1000 +
                             fractionMs(time.captured(3));
                rest = rest.sliced(time.capturedLength()).trimmed();
            } else if (const QRegularExpressionMatch tag = otherTag.match(rest); tag.hasMatch()) {
                tagged = true;
                if (tag.captured(1).compare("offset"_L1, Qt::CaseInsensitive) == 0)
                    offset = tag.captured(2).trimmed().toLongLong();
                rest = rest.sliced(tag.capturedLength()).trimmed();
            } else {
                break;
            }
        }
        const QString words = rest.toString().remove(wordTime).simplified();
        if (!times.isEmpty()) {
            for (const qint64 ms : std::as_const(times))
                lyrics.lines << Line{ms, words};
        } else if (!tagged) {
            untimed << Line{-1, words};
        }
    }
    if (lyrics.lines.isEmpty()) {
        // Plain lyrics: the lines as written, without the blank ones at either end.
        while (!untimed.isEmpty() && untimed.first().text.isEmpty())
            untimed.removeFirst();
        while (!untimed.isEmpty() && untimed.last().text.isEmpty())
            untimed.removeLast();
        lyrics.lines = untimed;
        return lyrics;
    }
    // A positive offset shows the lines sooner.
    for (Line& line : lyrics.lines)
        line.ms = std::max<qint64>(0, line.ms - offset);
    std::stable_sort(lyrics.lines.begin(), lyrics.lines.end(),
                     [](const Line& a, const Line& b) { return a.ms < b.ms; });
    lyrics.synced = true;
    return lyrics;
}

std::optional<Lyrics> fromServiceAnswer(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject answer = document.object();
    // A record of the service carries its id; an error ({"code": 404, ...}) does not.
    if (!answer.value(u"id"_s).isDouble())
        return std::nullopt;
    if (answer.value(u"instrumental"_s).toBool())
        return Lyrics();
    for (const QString& key : {u"syncedLyrics"_s, u"plainLyrics"_s})
        if (const QString text = answer.value(key).toString(); !text.trimmed().isEmpty())
            return fromText(text);
    return Lyrics();
}

QString serviceAddress(const QString& site, const QString& title, const QString& artist, const QString& album,
                       std::optional<qint64> lengthUs)
{
    if (title.trimmed().isEmpty() || artist.trimmed().isEmpty() || !lengthUs || *lengthUs <= 0)
        return {};
    // The service matches the length to within two seconds; it wants whole seconds.
    const std::pair<const char*, QString> items[] = {
        {"artist_name", artist},
        {"track_name", title},
        {"album_name", album},
        {"duration", QString::number((*lengthUs + 500'000) / 1'000'000)}};
    QStringList query;
    for (const auto& [key, value] : items)
        query << QString::fromLatin1(key) + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value));
    QString address = site;
    while (address.endsWith(u'/'))
        address.chop(1);
    return address + u"/api/get?"_s + query.join(u'&');
}

} // namespace sleevelight::lyrics
