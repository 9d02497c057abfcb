#include "player/track.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace sleevelight {

QString cleanTrackText(QString text)
{
    if (text.size() > maxTrackTextLength)
        text.truncate(maxTrackTextLength);
    // Line breaks and other control characters would break the one-line layout of the display.
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    return text.trimmed();
}

std::optional<qint64> leadingNumber(const QString& text)
{
    static const QRegularExpression leading(u"^\\s*(\\d{1,9})"_s);
    const QRegularExpressionMatch match = leading.match(text.left(64));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toLongLong();
}

std::optional<qint64> positiveNumberFromText(const QString& text)
{
    const std::optional<qint64> number = leadingNumber(text);
    if (!number || *number < 1 || *number > 1'000'000)
        return std::nullopt;
    return number;
}

std::optional<int> yearFromText(const QString& text)
{
    static const QRegularExpression leadingYear(u"^\\s*(\\d{4})"_s);
    const QRegularExpressionMatch match = leadingYear.match(text.left(64));
    if (!match.hasMatch())
        return std::nullopt;
    const int year = match.captured(1).toInt();
    return year > 0 ? std::optional<int>(year) : std::nullopt;
}

bool Track::isEmpty() const
{
    return !title && !album && !artist && url.isEmpty() && id.isEmpty();
}

bool isSameTrack(const Track& a, const Track& b)
{
    return a.id == b.id && a.url == b.url && a.title == b.title && a.album == b.album && a.artist == b.artist;
}

std::optional<QString> Track::displayName() const
{
    if (title && !title->isEmpty())
        return title;
    if (!url.isEmpty()) {
        const QString path = localPath(url);
        const QString name = path.isEmpty() ? QUrl(url).fileName() : path.section(u'/', -1);
        if (!name.isEmpty())
            return cleanTrackText(name);
    }
    return title;
}

QString Track::storeKey() const
{
    if (!url.isEmpty())
        return url;
    if (!title && !album && !artist)
        return {};
    const QStringList parts{artist.value_or(QString()), album.value_or(QString()), title.value_or(QString())};
    return u"tag:"_s + parts.join(QChar(0x1f));
}

QString formatTime(qint64 microseconds)
{
    const qint64 seconds = std::max<qint64>(0, microseconds / 1'000'000);
    const qint64 h = seconds / 3600;
    const qint64 m = (seconds / 60) % 60;
    const qint64 s = seconds % 60;
    if (h > 0)
        return u"%1:%2:%3"_s.arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    return u"%1:%2"_s.arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

QString trackNumbersText(std::optional<qint64> track, std::optional<qint64> disc)
{
    QStringList parts;
    if (track)
        parts << u"Track %1"_s.arg(*track);
    if (disc)
        parts << u"Disc %1"_s.arg(*disc);
    return parts.join(u" \u00b7 "_s);
}

QString localPath(const QString& address)
{
    if (address.startsWith(u'/'))
        return address;
    const QUrl url(address);
    // file://host/... names a file on another machine.
    if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == "localhost"_L1))
        return {};
    return url.toLocalFile();
}

bool isWebAddress(const QString& address)
{
    return address.startsWith("http://"_L1, Qt::CaseInsensitive) ||
           address.startsWith("https://"_L1, Qt::CaseInsensitive);
}

} // namespace sleevelight
