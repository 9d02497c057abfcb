#pragma once

#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class QTimer;

namespace sleevelight::demo {

using namespace Qt::StringLiterals;

struct DemoTrack
{
    QString title;
    QString album;
    QStringList artists;
    int trackNumber = 0;
    int discNumber = 0;
    int year = 0;
    qint64 lengthUs = 0;
    QString url;
    QString artUrl;
};

// A small MPRIS player that plays a made-up playlist without sound: the position runs with the
// clock and the next track starts at the end of one. Its properties are published through the
// adaptors generated from the MPRIS interface files.
class DemoPlayer : public QObject
{
    Q_OBJECT

    // org.mpris.MediaPlayer2
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

    // org.mpris.MediaPlayer2.Player
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ canControl)
    Q_PROPERTY(bool CanGoPrevious READ canControl)
    Q_PROPERTY(bool CanPlay READ canControl)
    Q_PROPERTY(bool CanPause READ canControl)
    Q_PROPERTY(bool CanSeek READ canControl)
    Q_PROPERTY(bool CanControl READ canControl)
    // org.mpris.MediaPlayer2.TrackList: the playlist, in order
    Q_PROPERTY(QList<QDBusObjectPath> Tracks READ tracks)
    Q_PROPERTY(bool CanEditTracks READ canEditTracks)

public:
    static inline const QString busName = u"org.mpris.MediaPlayer2.sleevelightdemo"_s;

    explicit DemoPlayer(QList<DemoTrack> playlist, QObject* parent = nullptr);

    bool canQuit() const { return true; }
    bool canRaise() const { return false; }
    bool hasTrackList() const { return true; }
    QString identity() const { return u"Sleevelight demo player"_s; }
    QString desktopEntry() const { return {}; }
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

    QString playbackStatus() const;
    QString loopStatus() const { return u"Playlist"_s; }
    void setLoopStatus(const QString&) {}
    double rate() const { return 1.0; }
    void setRate(double) {}
    bool shuffle() const { return false; }
    void setShuffle(bool) {}
    QVariantMap metadata() const;
    double volume() const { return m_volume; }
    void setVolume(double volume);
    qlonglong position() const;
    bool canControl() const { return true; }
    QList<QDBusObjectPath> tracks() const;
    bool canEditTracks() const { return false; }

public Q_SLOTS:
    void Raise() {}
    void Quit();
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position);
    void OpenUri(const QString&) {}
    QList<QVariantMap> GetTracksMetadata(const QList<QDBusObjectPath>& trackIds) const;
    void GoTo(const QDBusObjectPath& trackId);

Q_SIGNALS:
    void Seeked(qlonglong position);

private:
    enum class State
    {
        stopped,
        playing,
        paused
    };
    QVariantMap metadataOf(int index) const;
    void setState(State state);
    void moveTo(int index);
    void jumpTo(qint64 positionUs);
    void tick();
    void announce(const QStringList& names);

    QList<DemoTrack> m_playlist;
    int m_index = 0;
    State m_state = State::playing;
    double m_volume = 0.8;
    qint64 m_startUs = 0; // position when the clock last started
    QElapsedTimer m_clock;
    QTimer* m_tick = nullptr;
};

} // namespace sleevelight::demo
