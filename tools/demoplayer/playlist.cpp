#include "tools/demoplayer/playlist.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QUrl>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace sleevelight::demo {

namespace {

QImage picture(QSize size, QColor from, QColor to, const QString& label)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QColor(255, 255, 255, 220));
    QFont font = painter.font();
    font.setPixelSize(std::min(size.width(), size.height()) / 6);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, label);
    return image;
}

DemoTrack demoTrack(const QString& title, const QString& album, const QStringList& artists, int year,
                    qint64 lengthUs)
{
    DemoTrack track;
    track.title = title;
    track.album = album;
    track.artists = artists;
    track.year = year;
    track.lengthUs = lengthUs;
    return track;
}

QString save(const QImage& image, const QString& path)
{
    image.save(path);
    return path;
}

QString fileUrl(const QString& path)
{
    return QUrl::fromLocalFile(path).toString();
}

QString dataUrl(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return u"data:image/png;base64,"_s + QString::fromLatin1(bytes.toBase64());
}

// One second of silence, 8 kHz mono, so that file information has something to describe.
void writeSilentWav(const QString& path)
{
    const quint32 sampleRate = 8000;
    const quint32 dataBytes = sampleRate * 2;
    QByteArray wav;
    auto put32 = [&wav](quint32 v) {
        const quint32 le = qToLittleEndian(v);
        wav.append(reinterpret_cast<const char*>(&le), 4);
    };
    auto put16 = [&wav](quint16 v) {
        const quint16 le = qToLittleEndian(v);
        wav.append(reinterpret_cast<const char*>(&le), 2);
    };
    wav.append("RIFF");
    put32(36 + dataBytes);
    wav.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(sampleRate);
    put32(sampleRate * 2);
    put16(2);
    put16(16);
    wav.append("data");
    put32(dataBytes);
    wav.append(QByteArray(dataBytes, '\0'));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(wav);
}

// Timed lyrics for a track of that length: a line every three seconds, for the lyrics view (key y).
void writeLyrics(const QString& path, qint64 lengthUs)
{
    const QStringList words{u"Morning light across the table"_s,    u"Coffee cooling by the window"_s,
                            u"Every record tells a story"_s,        u"Turn it over, play the other side"_s,
                            u"Sleeves and stars along the shelf"_s, u"Hum the chorus to yourself"_s};
    QByteArray lrc = "[ti:Morning Light]\n[ar:The Sleevelight Trio]\n";
    int line = 0;
    for (qint64 ms = 2000; ms * 1000 < lengthUs; ms += 3000, ++line)
        lrc += u"[%1:%2.00]%3\n"_s.arg(ms / 60000, 2, 10, QChar(u'0'))
                   .arg(ms / 1000 % 60, 2, 10, QChar(u'0'))
                   .arg(words[line % words.size()])
                   .toUtf8();
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(lrc);
}

} // namespace

QList<DemoTrack> makePlaylist(const QString& folder)
{
    QDir root(folder);
    QList<DemoTrack> playlist;
    auto addTrack = [&](int number, DemoTrack track) {
        const QString dirName = u"track%1"_s.arg(number);
        root.mkpath(dirName);
        QDir dir(root.filePath(dirName));
        // Pictures left from an earlier run must not appear beside a track that has none now.
        for (const QString& old : dir.entryList(QDir::Files))
            dir.remove(old);
        const QString audio = dir.filePath(u"track.wav"_s);
        writeSilentWav(audio);
        track.url = fileUrl(audio);
        track.trackNumber = number;
        track.discNumber = 1;
        playlist << track;
        return dir;
    };

    const QColor indigo(48, 63, 159), teal(0, 121, 107), amber(255, 160, 0), rose(194, 24, 91),
        slate(55, 71, 79);

    const DemoTrack one =
        demoTrack(u"Morning Light"_s, u"Demo Sessions"_s, {u"The Sleevelight Trio"_s}, 2019, 95'000'000);
    QDir dir = addTrack(1, one);
    writeLyrics(dir.filePath(u"track.lrc"_s), one.lengthUs);
    playlist.last().artUrl =
        fileUrl(save(picture({600, 600}, indigo, teal, u"One picture"_s), dir.filePath(u"art.png"_s)));

    const DemoTrack two = demoTrack(u"Two Sides"_s, u"Demo Sessions"_s,
                                    {u"The Sleevelight Trio"_s, u"Guest Horns"_s}, 2019, 80'000'000);
    dir = addTrack(2, two);
    playlist.last().artUrl =
        fileUrl(save(picture({600, 600}, rose, amber, u"Front"_s), dir.filePath(u"art.png"_s)));
    save(picture({600, 600}, slate, rose, u"Back"_s), dir.filePath(u"back.png"_s));

    const DemoTrack three =
        demoTrack(u"Three of a Kind"_s, u"Demo Sessions"_s, {u"Trio"_s}, 2020, 75'000'000);
    dir = addTrack(3, three);
    playlist.last().artUrl =
        fileUrl(save(picture({600, 600}, teal, amber, u"First"_s), dir.filePath(u"art.png"_s)));
    save(picture({600, 600}, amber, indigo, u"Second"_s), dir.filePath(u"cover.png"_s));
    save(picture({600, 600}, indigo, rose, u"Third"_s), dir.filePath(u"back.png"_s));

    const DemoTrack wide =
        demoTrack(u"Panorama"_s, u"Wide Open"_s, {u"Horizon Ensemble"_s}, 2021, 70'000'000);
    addTrack(4, wide);
    playlist.last().artUrl = dataUrl(picture({600, 300}, slate, teal, u"Wide picture"_s));

    const DemoTrack portrait =
        demoTrack(u"Standing Tall"_s, u"Vertical"_s, {u"Tower Records Band"_s}, 2022, 65'000'000);
    dir = addTrack(5, portrait);
    playlist.last().artUrl =
        fileUrl(save(picture({300, 600}, rose, indigo, u"Portrait"_s), dir.filePath(u"art.png"_s)));

    const DemoTrack longTexts = demoTrack(
        u"An Exceedingly Long Track Name That Goes On and On Past Any Reasonable Width"_s,
        u"The Complete and Unabridged Recordings of an Album With a Very Long Name, Deluxe Edition"_s,
        {u"The Orchestra of the Extraordinarily Long Name"_s, u"Friends and Neighbours"_s}, 1999,
        3'725'000'000);
    dir = addTrack(6, longTexts);
    playlist.last().artUrl =
        fileUrl(save(picture({600, 600}, amber, slate, u"Long"_s), dir.filePath(u"art.png"_s)));

    const DemoTrack bare =
        demoTrack(u"No Picture"_s, u"Demo Sessions"_s, {u"The Sleevelight Trio"_s}, 2023, 60'000'000);
    addTrack(7, bare);

    return playlist;
}

} // namespace sleevelight::demo
