#include "tests/player/mediafiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QtEndian>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/wavfile.h>

namespace sleevelight::test {

QByteArray pictureBytes(QSize size, QColor color, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeWav(const QString& path, int seconds, const QString& title, const QString& album,
              const QString& artist, const QList<std::pair<QByteArray, bool>>& pictures)
{
    const quint32 rate = 8000;
    const quint32 dataBytes = rate * 2 * quint32(seconds);
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
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    wav.append("data");
    put32(dataBytes);
    wav.append(QByteArray(dataBytes, '\0'));
    if (!writeFile(path, wav))
        return false;

    TagLib::RIFF::WAV::File file(QFile::encodeName(path).constData());
    if (!file.isValid())
        return false;
    auto text = [](const QString& s) {
        return TagLib::String(s.toUtf8().constData(), TagLib::String::UTF8);
    };
    if (!title.isEmpty())
        file.tag()->setTitle(text(title));
    if (!album.isEmpty())
        file.tag()->setAlbum(text(album));
    if (!artist.isEmpty())
        file.tag()->setArtist(text(artist));
    for (const auto& [bytes, front] : pictures) {
        auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
        frame->setType(front ? TagLib::ID3v2::AttachedPictureFrame::FrontCover
                             : TagLib::ID3v2::AttachedPictureFrame::BackCover);
        frame->setMimeType("image/png");
        frame->setPicture(TagLib::ByteVector(bytes.constData(), static_cast<unsigned int>(bytes.size())));
        file.ID3v2Tag()->addFrame(frame);
    }
    return file.save();
}

} // namespace sleevelight::test
