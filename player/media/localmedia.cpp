#include "player/media/localmedia.h"

#include <QDirIterator>
#include <QFileInfo>

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace sleevelight::localmedia {

namespace {

struct Picture
{
    bool front = false;
    QByteArray bytes;
};

QByteArray toBytes(const TagLib::ByteVector& data)
{
    return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

void addId3Pictures(TagLib::ID3v2::Tag* tag, QList<Picture>& out)
{
    if (tag == nullptr)
        return;
    for (TagLib::ID3v2::Frame* frame : tag->frameListMap()["APIC"]) {
        if (const auto* apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
            out.append(
                {apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover, toBytes(apic->picture())});
    }
}

void addFlacPictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures, QList<Picture>& out)
{
    for (const TagLib::FLAC::Picture* picture : pictures)
        out.append({picture->type() == TagLib::FLAC::Picture::FrontCover, toBytes(picture->data())});
}

void addXiphPictures(TagLib::Ogg::XiphComment* comment, QList<Picture>& out)
{
    if (comment != nullptr)
        addFlacPictures(comment->pictureList(), out);
}

QString channelsText(int channels)
{
    switch (channels) {
    case 1:
        return u"mono"_s;
    case 2:
        return u"stereo"_s;
    default:
        return u"%1 channels"_s.arg(channels);
    }
}

QString formatName(TagLib::File* file, const QString& path)
{
    if (dynamic_cast<TagLib::MPEG::File*>(file))
        return u"MP3"_s;
    if (dynamic_cast<TagLib::FLAC::File*>(file) || dynamic_cast<TagLib::Ogg::FLAC::File*>(file))
        return u"FLAC"_s;
    if (dynamic_cast<TagLib::Ogg::Vorbis::File*>(file))
        return u"Ogg Vorbis"_s;
    if (dynamic_cast<TagLib::Ogg::Opus::File*>(file))
        return u"Opus"_s;
    if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
        if (mp4->audioProperties() != nullptr &&
            mp4->audioProperties()->codec() == TagLib::MP4::Properties::ALAC)
            return u"ALAC"_s;
        return u"AAC"_s;
    }
    if (dynamic_cast<TagLib::RIFF::WAV::File*>(file))
        return u"WAV"_s;
    if (dynamic_cast<TagLib::RIFF::AIFF::File*>(file))
        return u"AIFF"_s;
    if (dynamic_cast<TagLib::APE::File*>(file))
        return u"Monkey's Audio"_s;
    if (dynamic_cast<TagLib::WavPack::File*>(file))
        return u"WavPack"_s;
    if (dynamic_cast<TagLib::ASF::File*>(file))
        return u"WMA"_s;
    return QFileInfo(path).suffix().toUpper();
}

} // namespace

bool isRegularFile(const QString& path)
{
    struct stat status
    {
    };
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &status) == 0 &&
           S_ISREG(status.st_mode);
}

namespace {

// TagLib looks for what it needs through the whole of a file, a kilobyte at a time: the first
// MPEG frame in a preallocated or half-downloaded file of zeros, the last Ogg page, the FLAC
// marker. That costs seconds for every hundred megabytes. The stream TagLib reads through ends,
// as far as TagLib can tell, once it has been read for long enough in small pieces (a search)
// or for too many bytes in all, so that no file costs more than that to read.
class BoundedStream : public TagLib::FileStream
{
public:
    BoundedStream(const QByteArray& path, qint64 maxBytes)
        : TagLib::FileStream(path.constData(), true), m_left(maxBytes), m_searchLeft(maxSearchBytes)
    {}

    TagLib::ByteVector readBlock(unsigned long length) override
    {
        const bool search = length <= searchPiece;
        const qint64 allowed = std::min(m_left, search ? m_searchLeft : m_left);
        if (allowed <= 0)
            return {};
        TagLib::ByteVector bytes = TagLib::FileStream::readBlock(
            static_cast<unsigned long>(std::min<qint64>(qint64(length), allowed)));
        m_left -= bytes.size();
        if (search)
            m_searchLeft -= bytes.size();
        return bytes;
    }

private:
    static constexpr unsigned long searchPiece = 4096;
    static constexpr qint64 maxSearchBytes = 2 * 1024 * 1024;
    qint64 m_left;
    qint64 m_searchLeft;
};

} // namespace

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes)
{
    if (path.isEmpty())
        return std::nullopt;
    // Non-blocking, so that a FIFO without a writer cannot hold us at open; the type is checked
    // on the open descriptor, so a file swapped after a check cannot slip through.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(status.st_size));
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    bytes.truncate(done);
    return bytes;
}

QStringList folderCoverFiles(const QString& folder)
{
    static const QStringList names = {u"cover"_s, u"folder"_s, u"front"_s, u"back"_s};
    static const QStringList suffixes = {u"jpg"_s, u"jpeg"_s, u"png"_s};
    if (folder.isEmpty())
        return {};

    QList<std::pair<int, QString>> found;
    // A folder of many thousand files is not searched to its end.
    int seen = 0;
    QDirIterator it(folder, QDir::Files | QDir::Readable | QDir::Hidden);
    while (it.hasNext() && seen++ < 5000) {
        const QFileInfo info = it.nextFileInfo();
        if (!suffixes.contains(info.suffix().toLower()))
            continue;
        const QString base = info.completeBaseName().toLower();
        int rank = static_cast<int>(names.indexOf(base));
        if (rank < 0 && base.startsWith("albumart"_L1))
            rank = static_cast<int>(names.size()) + (base.contains("small"_L1) ? 1 : 0);
        if (rank >= 0)
            found.append({rank, info.filePath()});
    }
    std::sort(found.begin(), found.end());
    QStringList files;
    for (const auto& entry : std::as_const(found))
        files << entry.second;
    return files;
}

namespace {

// The ID3v2 tag of the formats that carry one; none for the others, or when the file has none.
TagLib::ID3v2::Tag* id3Of(TagLib::File* file)
{
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file))
        return mpeg->ID3v2Tag();
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file))
        return flac->ID3v2Tag();
    if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file))
        return wav->ID3v2Tag();
    if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file))
        return aiff->tag();
    return nullptr;
}

QList<Picture> picturesOf(TagLib::File* file)
{
    QList<Picture> pictures;
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file))
        addFlacPictures(flac->pictureList(), pictures);
    if (TagLib::ID3v2::Tag* id3 = id3Of(file)) {
        addId3Pictures(id3, pictures);
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
        if (mp4->tag() != nullptr && mp4->tag()->contains("covr")) {
            bool first = true;
            for (const TagLib::MP4::CoverArt& cover : mp4->tag()->item("covr").toCoverArtList()) {
                pictures.append({first, toBytes(cover.data())});
                first = false;
            }
        }
    } else if (auto* vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file)) {
        addXiphPictures(vorbis->tag(), pictures);
    } else if (auto* opus = dynamic_cast<TagLib::Ogg::Opus::File*>(file)) {
        addXiphPictures(opus->tag(), pictures);
    } else if (auto* oggFlac = dynamic_cast<TagLib::Ogg::FLAC::File*>(file)) {
        addXiphPictures(oggFlac->tag(), pictures);
    }
    std::stable_sort(pictures.begin(), pictures.end(),
                     [](const Picture& a, const Picture& b) { return a.front && !b.front; });
    return pictures;
}

// A tag is no place for a book: lyrics beyond this many characters are cut.
constexpr int maxLyricsCharacters = 256 * 1024;

lyrics::Lyrics lyricsOf(TagLib::File* file)
{
    lyrics::Lyrics read;
    if (TagLib::ID3v2::Tag* id3 = id3Of(file)) {
        for (TagLib::ID3v2::Frame* frame : id3->frameListMap()["SYLT"]) {
            const auto* sylt = dynamic_cast<TagLib::ID3v2::SynchronizedLyricsFrame*>(frame);
            // Times counted in MPEG frames would need the stream's frame length; milliseconds only.
            if (sylt == nullptr ||
                sylt->timestampFormat() != TagLib::ID3v2::SynchronizedLyricsFrame::AbsoluteMilliseconds)
                continue;
            for (const auto& text : sylt->synchedText())
                read.lines << lyrics::Line{qint64(text.time),
                                           QString::fromStdString(text.text.to8Bit(true)).simplified()};
            if (!read.lines.isEmpty()) {
                std::stable_sort(read.lines.begin(), read.lines.end(),
                                 [](const lyrics::Line& a, const lyrics::Line& b) { return a.ms < b.ms; });
                read.synced = true;
                return read;
            }
        }
    }
    const TagLib::PropertyMap properties = file->properties();
    for (const char* key : {"LYRICS", "UNSYNCEDLYRICS"}) {
        const auto found = properties.find(key);
        if (found == properties.end() || found->second.isEmpty())
            continue;
        read = lyrics::fromText(
            QString::fromStdString(found->second.front().to8Bit(true)).left(maxLyricsCharacters));
        if (!read.isEmpty())
            return read;
    }
    return read;
}

// A tag is no place for a long text; the numbers are at its start.
QString firstTag(const TagLib::PropertyMap& properties, const char* tag)
{
    const auto found = properties.find(tag);
    if (found == properties.end() || found->second.isEmpty())
        return {};
    return QString::fromStdString(found->second.front().to8Bit(true)).left(64);
}

QString codecInfoOf(TagLib::File* file, const QString& path)
{
    QStringList parts{formatName(file, path)};
    if (const TagLib::AudioProperties* audio = file->audioProperties()) {
        if (audio->bitrate() > 0)
            parts << u"%1 kbps"_s.arg(audio->bitrate());
        if (audio->sampleRate() > 0)
            parts << u"%1 kHz"_s.arg(QString::number(audio->sampleRate() / 1000.0, 'g', 4));
        if (audio->channels() > 0)
            parts << channelsText(audio->channels());
    }
    parts << path;
    return parts.join(u", "_s);
}

} // namespace

AudioFile readAudioFile(const QString& path, qint64 maxPictureBytes, int maxPictures)
{
    if (!isRegularFile(path))
        return {};
    // Room for every picture kept, and for the tags and a search beside them.
    const qint64 maxBytes = qint64(maxPictures) * maxPictureBytes + 8 * 1024 * 1024;
    BoundedStream stream(QFile::encodeName(path), maxBytes);
    if (!stream.isOpen())
        return {};
    const TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Fast);
    TagLib::File* file = ref.file();
    if (file == nullptr || !file->isValid())
        return {};

    AudioFile audio;
    const TagLib::PropertyMap properties = file->properties();
    audio.trackNumberTag = firstTag(properties, "TRACKNUMBER");
    audio.discNumberTag = firstTag(properties, "DISCNUMBER");
    audio.dateTag = firstTag(properties, "DATE");
    audio.codecInfo = codecInfoOf(file, path);
    audio.lyrics = lyricsOf(file);
    for (const Picture& picture : picturesOf(file)) {
        if (audio.pictures.size() >= maxPictures)
            break;
        if (!picture.bytes.isEmpty() && picture.bytes.size() <= maxPictureBytes)
            audio.pictures << picture.bytes;
    }
    return audio;
}

} // namespace sleevelight::localmedia
