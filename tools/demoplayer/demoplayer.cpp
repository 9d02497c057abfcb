#include "tools/demoplayer/demoplayer.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sleevelight::demo {

DemoPlayer::DemoPlayer(QList<DemoTrack> playlist, QObject* parent)
    : QObject(parent), m_playlist(std::move(playlist))
{
    m_clock.start();
    m_tick = new QTimer(this);
    m_tick->setInterval(250);
    connect(m_tick, &QTimer::timeout, this, &DemoPlayer::tick);
    m_tick->start();
}

QString DemoPlayer::playbackStatus() const
{
    switch (m_state) {
    case State::playing:
        return u"Playing"_s;
    case State::paused:
        return u"Paused"_s;
    case State::stopped:
        break;
    }
    return u"Stopped"_s;
}

namespace {

QDBusObjectPath trackId(qsizetype index)
{
    return QDBusObjectPath(u"/org/sleevelight/demo/track/%1"_s.arg(index));
}

} // namespace

QVariantMap DemoPlayer::metadata() const
{
    return m_playlist.isEmpty() ? QVariantMap() : metadataOf(m_index);
}

QList<QDBusObjectPath> DemoPlayer::tracks() const
{
    QList<QDBusObjectPath> ids;
    for (qsizetype index = 0; index < m_playlist.size(); ++index)
        ids << trackId(index);
    return ids;
}

QList<QVariantMap> DemoPlayer::GetTracksMetadata(const QList<QDBusObjectPath>& trackIds) const
{
    const QList<QDBusObjectPath> ids = tracks();
    QList<QVariantMap> found;
    for (const QDBusObjectPath& id : trackIds)
        if (const qsizetype index = ids.indexOf(id); index >= 0)
            found << metadataOf(int(index));
    return found;
}

void DemoPlayer::GoTo(const QDBusObjectPath& id)
{
    if (const qsizetype index = tracks().indexOf(id); index >= 0)
        moveTo(int(index));
}

QVariantMap DemoPlayer::metadataOf(int index) const
{
    const DemoTrack& track = m_playlist.at(index);
    QVariantMap map{
        {u"mpris:trackid"_s, QVariant::fromValue(trackId(index))},
        {u"mpris:length"_s, track.lengthUs},
        {u"xesam:title"_s, track.title},
        {u"xesam:album"_s, track.album},
        {u"xesam:artist"_s, track.artists},
        {u"xesam:trackNumber"_s, track.trackNumber},
        {u"xesam:discNumber"_s, track.discNumber},
        {u"xesam:contentCreated"_s, u"%1-01-01T00:00:00Z"_s.arg(track.year)},
        {u"xesam:url"_s, track.url},
    };
    if (!track.artUrl.isEmpty())
        map.insert(u"mpris:artUrl"_s, track.artUrl);
    return map;
}

qlonglong DemoPlayer::position() const
{
    if (m_state != State::playing)
        return m_startUs;
    return m_startUs + m_clock.nsecsElapsed() / 1000;
}

void DemoPlayer::setVolume(double volume)
{
    m_volume = std::clamp(volume, 0.0, 1.5);
    announce({u"Volume"_s});
}

void DemoPlayer::tick()
{
    if (m_state == State::playing && !m_playlist.isEmpty() && position() >= m_playlist.at(m_index).lengthUs)
        moveTo((m_index + 1) % m_playlist.size());
}

void DemoPlayer::setState(State state)
{
    if (state == m_state)
        return;
    m_startUs = state == State::stopped ? 0 : position();
    m_clock.restart();
    m_state = state;
    announce({u"PlaybackStatus"_s});
}

void DemoPlayer::moveTo(int index)
{
    if (m_playlist.isEmpty())
        return;
    m_index = (index + int(m_playlist.size())) % int(m_playlist.size());
    m_startUs = 0;
    m_clock.restart();
    announce({u"Metadata"_s});
}

void DemoPlayer::jumpTo(qint64 positionUs)
{
    if (m_playlist.isEmpty())
        return;
    m_startUs = std::clamp<qint64>(positionUs, 0, m_playlist.at(m_index).lengthUs);
    m_clock.restart();
    Q_EMIT Seeked(m_startUs);
}

void DemoPlayer::announce(const QStringList& names)
{
    QVariantMap changed;
    for (const QString& name : names)
        changed.insert(name, property(name.toLatin1().constData()));
    QDBusMessage signal = QDBusMessage::createSignal(
        u"/org/mpris/MediaPlayer2"_s, u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s);
    signal << u"org.mpris.MediaPlayer2.Player"_s << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void DemoPlayer::Quit()
{
    QCoreApplication::quit();
}

void DemoPlayer::Next()
{
    moveTo(m_index + 1);
}

void DemoPlayer::Previous()
{
    // As most players do: back to the start first, to the track before only near its start.
    if (position() > 3'000'000)
        jumpTo(0);
    else
        moveTo(m_index - 1);
}

void DemoPlayer::Pause()
{
    if (m_state == State::playing)
        setState(State::paused);
}

void DemoPlayer::PlayPause()
{
    setState(m_state == State::playing ? State::paused : State::playing);
}

void DemoPlayer::Stop()
{
    setState(State::stopped);
}

void DemoPlayer::Play()
{
    setState(State::playing);
}

void DemoPlayer::Seek(qlonglong offset)
{
    const qint64 target = position() + offset;
    if (!m_playlist.isEmpty() && target >= m_playlist.at(m_index).lengthUs)
        Next();
    else
        jumpTo(target);
}

void DemoPlayer::SetPosition(const QDBusObjectPath& trackId, qlonglong position)
{
    if (trackId.path() != u"/org/sleevelight/demo/track/%1"_s.arg(m_index))
        return;
    jumpTo(position);
}

} // namespace sleevelight::demo
