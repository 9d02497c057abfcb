#include "tests/player/mediafiles.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QImage>

#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>

namespace sleevelight::test {

bool writeWav(const QString& path, int seconds, const QString& title, const QString& album,
              const QString& artist, const QList<std::pair<QByteArray, bool>>& pictures)
{
    const quint32 rate = 8000;
    const quint32 dataBytes = rate * 2 * quint32(seconds);
    QByteArray wav;
    QDataStream out(&wav, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    // RIFF header, then the format: PCM, mono, 8 kHz, 2 bytes a frame, 16 bits.
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << rate * 2 << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    if (!writeFile(path, wav + QByteArray(dataBytes, '\0')))
        return false;

    TagLib::RIFF::WAV::File file(QFile::encodeName(path).constData());
    if (!file.isValid())
        return false;
    const auto text = [](const QString& s) {
        return TagLib::String(s.toUtf8().constData(), TagLib::String::UTF8);
    };
    file.tag()->setTitle(text(title));
    file.tag()->setAlbum(text(album));
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

bool addTags(const QString& path, const QMap<QString, QString>& tags)
{
    TagLib::FileRef file(QFile::encodeName(path).constData(), false);
    if (file.isNull())
        return false;
    TagLib::PropertyMap properties = file.file()->properties();
    for (auto it = tags.cbegin(); it != tags.cend(); ++it)
        properties.replace(
            TagLib::String(it.key().toUtf8().constData(), TagLib::String::UTF8),
            TagLib::StringList(TagLib::String(it.value().toUtf8().constData(), TagLib::String::UTF8)));
    file.file()->setProperties(properties);
    return file.save();
}

bool writeSilentMp3(const QString& path, int frames)
{
    // Header FF FB 90 00: MPEG-1, Layer III, no CRC, 128 kbps, 44.1 kHz, no padding: 417 bytes.
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90);
    return writeFile(path, frame.repeated(frames));
}

bool writeBareFlac(const QString& path)
{
    QByteArray flac("fLaC");
    // The last metadata block, STREAMINFO, 34 bytes: block sizes 4096, frame sizes unknown,
    // 44100 Hz, 2 channels, 16 bits, 441000 samples (10 s), no MD5.
    flac += QByteArray::fromHex("80000022");
    flac += QByteArray::fromHex("10001000000000000000");
    const quint64 packed = (quint64(44100) << 44) | (quint64(1) << 41) | (quint64(15) << 36) | 441000;
    for (int shift = 56; shift >= 0; shift -= 8)
        flac += char((packed >> shift) & 0xFF);
    flac += QByteArray(16, '\0');
    return writeFile(path, flac);
}

bool addSyncedLyrics(const QString& path, const QList<std::pair<uint, QString>>& lines)
{
    TagLib::FileRef ref(QFile::encodeName(path).constData(), false);
    TagLib::ID3v2::Tag* tag = nullptr;
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(ref.file()))
        tag = mpeg->ID3v2Tag(true);
    else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(ref.file()))
        tag = wav->ID3v2Tag();
    if (tag == nullptr)
        return false;
    auto* frame = new TagLib::ID3v2::SynchronizedLyricsFrame(TagLib::String::UTF8);
    frame->setTimestampFormat(TagLib::ID3v2::SynchronizedLyricsFrame::AbsoluteMilliseconds);
    frame->setType(TagLib::ID3v2::SynchronizedLyricsFrame::Lyrics);
    TagLib::ID3v2::SynchronizedLyricsFrame::SynchedTextList list;
    for (const auto& [ms, text] : lines)
        list.append({ms, TagLib::String(text.toUtf8().constData(), TagLib::String::UTF8)});
    frame->setSynchedText(list);
    tag->addFrame(frame);
    return ref.save();
}

} // namespace sleevelight::test
