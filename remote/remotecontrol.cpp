#include "remote/remotecontrol.h"

#include "app/appdelegate.h"
#include "display/screencare.h"
#include "interaction/playbackcontrol.h"
#include "interaction/playerfollowing.h"
#include "platform/userdefaults.h"
#include "platform/views/mainwindow.h"
#include "player/itunesbridgeprotocol.h"
#include "player/values.h"
#include "remote/pairingview.h"
#include "remote/qrcode.h"
#include "remote/remoteserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace sleevelight {

using namespace Qt::StringLiterals;

namespace {

// How long closing waits for the server's thread at the end: it only closes its sockets.
constexpr unsigned long endWaitMs = 3000;

QString stateName(PlayerState state)
{
    switch (state) {
    case PlayerState::playing:
    case PlayerState::fastForwarding:
    case PlayerState::rewinding:
        return u"playing"_s;
    case PlayerState::paused:
        return u"paused"_s;
    case PlayerState::stopped:
        return u"stopped"_s;
    case PlayerState::notRunning:
        break;
    }
    return u"notRunning"_s;
}

// "3:45" or "1:02:03" in seconds; null when it is not a time.
QJsonValue seconds(const QString& time)
{
    const QStringList parts = time.split(u':');
    if (time.isEmpty() || parts.size() > 3)
        return QJsonValue::Null;
    qint64 total = 0;
    for (const QString& part : parts) {
        bool number = false;
        const qint64 value = part.toLongLong(&number);
        if (!number || value < 0)
            return QJsonValue::Null;
        total = total * 60 + value;
    }
    return double(total);
}

struct FormField
{
    const char* key;
    const char* label;
    const char* kind; // bool, number, text, list, choice
    int minimum = 0;
    int maximum = 0;
};

// The preferences a phone edits, as the panel words them; the remote's own are the panel's alone
// (a phone would shut itself out).
const FormField formFields[] = {
    {"fullScreenMode", "Full screen at launch", "bool"},
    {"preventSleep", "Keep the display awake while music plays", "bool"},
    {"isShowVinyl", "Show the vinyl record", "bool"},
    {"isShowMultiArtworks", "Show every artwork of a track in turn", "bool"},
    {"toggleArtworkInterval", "Next artwork every (seconds)", "number", 1, 3600},
    {"artworkPositionMode", "Artwork", "choice", 1, 3},
    {"ambientBackground", "Fill the background with a soft, dim copy of the artwork", "bool"},
    {"transitions", "Crossfade from one track, and one artwork, to the next", "bool"},
    {"shiftAgainstBurnIn", "Shift the display a few pixels now and then, against burn-in", "bool"},
    {"standbyDelay", "Clock and dark screen after nothing played for (minutes, 0 never)", "number", 0, 1440},
    {"standbyScreenOff", "Turn the screen off in standby instead of showing the clock", "bool"},
    {"showLyrics", "Show a track's lyrics in place of its album and numbers", "bool"},
    {"lyricsFromWeb", "Look up lyrics on lrclib.net for tracks without them", "bool"},
    {"showNextUp", "Show the next track of the player's queue under the progress bar", "bool"},
    {"touchGestures", "Touch: a tap on the artwork plays or pauses, a swipe changes track", "bool"},
    {"reverseSwipes", "Swipe right for the next track", "bool"},
    {"isShowAlbumName", "Show the album", "bool"},
    {"isShowAlbumNumber", "Show track and disc numbers", "bool"},
    {"isShowRatings", "Show loved and rating", "bool"},
    {"isShowProgress", "Show the progress", "bool"},
    {"cleanUpTitles", "Take \"(Official Video)\", \"- Remastered\" and the like off titles", "bool"},
    {"maxFontSize", "Largest font size", "number", 12, 400},
    {"nameFont", "Track name font", "text"},
    {"albumFont", "Album font", "text"},
    {"artistFont", "Artist font", "text"},
    {"preferredPlayers", "Preferred players", "list"},
    {"ignoredPlayers", "Ignored players", "list"},
    {"mpdServers", "Music servers (MPD)", "list"},
    {"mpdMusicFolder", "Their music folder on this computer", "text"},
    {"startItunesWithApp", "Start the player with Sleevelight", "bool"},
    {"automaticCheckUpdate", "Check for a new version at launch", "bool"},
};

QJsonValue jsonOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return QJsonArray::fromStringList(value.toStringList());
    return QJsonValue::fromVariant(value);
}

QString newToken()
{
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace

RemoteControl::RemoteControl(AppDelegate& app) : DisplayFeature(app)
{
    for (auto signal : {&AppDelegate::playerStateChanged, &AppDelegate::trackLovedChanged,
                        &AppDelegate::trackRatingChanged, &AppDelegate::soundVolumeChanged})
        connect(&app, signal, this, &RemoteControl::stateMayHaveChanged);
    connect(app.iTunesBridge.get(), &iTunesBridgeProtocol::positionJumped, this, [this] { publish(true); });
}

RemoteControl::~RemoteControl()
{
    QThread* thread = m_thread;
    stop();
    if (thread != nullptr && thread->wait(endWaitMs))
        delete thread;
}

void RemoteControl::livePreferencesChanged()
{
    // The other features are all made by now.
    if (auto* care = app.feature<ScreenCare>(); care != nullptr && !m_wired) {
        m_wired = true;
        connect(care, &ScreenCare::standbyChanged, this, &RemoteControl::stateMayHaveChanged);
    }
    const Preferences& live = app.livePreferences();
    if (!live.remoteControl) {
        stop();
        return;
    }
    if (live.remoteToken.isEmpty()) {
        // Made once, when the remote is first turned on, and kept; the file holds it from now on.
        renewToken();
        return;
    }
    if (m_thread == nullptr || live.remotePort != m_requestedPort) {
        stop();
        start();
    } else if (live.remoteToken != m_token) {
        // A new token: the same server, which lets every phone paired before go.
        m_token = live.remoteToken;
        QMetaObject::invokeMethod(m_server, [server = m_server, token = m_token] { server->setToken(token); },
                                  Qt::QueuedConnection);
        if (!m_address.isEmpty())
            announce(m_port, m_host);
    }
    stateMayHaveChanged();
}

void RemoteControl::renewToken()
{
    const QString token = newToken();
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(token, u"remoteToken"_s);
    defaults.synchronize();
    Preferences working = app.workingPreferences();
    working.remoteToken = token;
    app.setWorkingPreferences(working);
    Preferences live = app.livePreferences();
    live.remoteToken = token;
    app.setLivePreferences(live);
}

void RemoteControl::start()
{
    const Preferences& live = app.livePreferences();
    m_token = live.remoteToken;
    m_requestedPort = live.remotePort;
    m_failure.clear();
    m_thread = new QThread;
    m_thread->setObjectName(u"remote"_s);
    m_server = new RemoteServer;
    m_server->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    connect(m_server, &RemoteServer::commandReceived, this, &RemoteControl::run);
    connect(m_server, &RemoteServer::phonesChanged, this, [this](int count) {
        m_phones = count;
        publish(true);
    });
    connect(m_server, &RemoteServer::started, this, [this](quint16 port, const QStringList& addresses) {
        m_published = {};
        m_artworkPublished = {};
        announce(port, addresses.value(0, u"127.0.0.1"_s));
    });
    connect(m_server, &RemoteServer::failed, this, [this](const QString& reason) {
        m_failure = u"The remote cannot listen on port %1: %2"_s.arg(m_requestedPort).arg(reason);
        std::fprintf(stderr, "Sleevelight: %s\n", qPrintable(m_failure));
        fillPanel();
        Q_EMIT failed(reason);
    });
    m_thread->start();
    const quint16 port = quint16(std::clamp<qint64>(m_requestedPort, 0, 65535));
    QMetaObject::invokeMethod(m_server, [server = m_server, token = m_token, port] { server->start(token, port); },
                              Qt::QueuedConnection);
}

void RemoteControl::announce(quint16 port, const QString& host)
{
    m_port = port;
    m_host = host;
    m_address = u"http://%1:%2/?token=%3"_s.arg(host).arg(port).arg(m_token);
    std::fprintf(stderr, "Sleevelight: remote control at %s\n", qPrintable(m_address));
    std::fflush(stderr);
    publish(true);
    fillPanel();
    if (m_pairing != nullptr && m_pairing->isVisible())
        m_pairing->showAddress(m_address);
    Q_EMIT listening(m_address);
}

void RemoteControl::stop()
{
    if (m_thread == nullptr)
        return;
    // The server ends on its own thread (finished deletes it there); nothing here waits for it.
    disconnect(m_server, nullptr, this, nullptr);
    m_server = nullptr;
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread->quit();
    m_thread = nullptr;
    m_address.clear();
    m_port = 0;
    m_phones = 0;
    m_requestedPort = -1;
    if (m_pairing != nullptr)
        m_pairing->hide();
    fillPanel();
}

void RemoteControl::trackInfoUpdated(bool)
{
    stateMayHaveChanged();
}

void RemoteControl::trackProgressUpdated()
{
    // While a phone looks, whatever changed without telling (the players there, the volume).
    if (m_phones > 0)
        stateMayHaveChanged();
}

void RemoteControl::stateMayHaveChanged()
{
    if (m_server == nullptr || std::exchange(m_publishQueued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_publishQueued = false;
        publish(false);
    });
}

void RemoteControl::publish(bool positionMoved)
{
    if (m_server == nullptr || m_address.isEmpty())
        return;
    const QList<QByteArray> artworks = app.iTunesBridge->artworkImages().value_or(QList<QByteArray>());
    const QByteArray artwork = artworks.value(qsizetype(app.currentArtworkNumber), artworks.value(0));
    // The same picture is the same bytes, shared: compared by where they are before what they hold.
    if (artwork.constData() != m_artworkPublished.constData() && artwork != m_artworkPublished) {
        m_artworkPublished = artwork;
        ++m_artworkVersion;
        QMetaObject::invokeMethod(m_server, [server = m_server, artwork] { server->publishArtwork(artwork); },
                                  Qt::QueuedConnection);
    }

    QJsonObject shown = state();
    const QJsonValue position = shown.take(u"position"_s);
    if (shown == m_published && !positionMoved)
        return;
    m_published = shown;
    shown.insert(u"position"_s, position);
    const QByteArray json = QJsonDocument(shown).toJson(QJsonDocument::Compact);
    QMetaObject::invokeMethod(m_server, [server = m_server, json] { server->publishState(json); },
                              Qt::QueuedConnection);
}

QJsonObject RemoteControl::state() const
{
    iTunesBridgeProtocol& bridge = *app.iTunesBridge;
    const Preferences& live = app.livePreferences();
    const bool running = app.playerState() != PlayerState::notRunning;
    QJsonObject state{
        {u"state"_s, stateName(app.playerState())},
        {u"player"_s, bridge.followedPlayerName()},
        {u"players"_s, QJsonArray::fromStringList(bridge.playerNames())},
    };
    if (running) {
        const std::optional<qint64> position = bridge.trackPositionMs();
        state.insert(u"name"_s, app.trackName().toString());
        state.insert(u"album"_s, app.trackAlbum().toString());
        state.insert(u"artist"_s, app.trackArtist().toString());
        state.insert(u"year"_s, app.trackYear().toString());
        state.insert(u"numbers"_s, app.trackNumbers().toString());
        state.insert(u"duration"_s, app.trackDuration().toString());
        state.insert(u"length"_s, seconds(app.trackDuration().toString()));
        state.insert(u"position"_s, position ? QJsonValue(double(*position) / 1000.0) : QJsonValue());
        state.insert(u"loved"_s, isNumberTrue(app.trackLoved()));
        state.insert(u"rating"_s, int(std::clamp<qint64>((truncatedInteger(app.trackRating()) + 10) / 20, 0, 5)));
        const QVariant volume = app.soundVolume();
        state.insert(u"volume"_s, volume.isValid() ? QJsonValue(volume.toDouble()) : QJsonValue());
        const std::optional<QVariantMap> next = bridge.nextTrackInfo();
        state.insert(u"nextUp"_s, next ? QJsonValue(QJsonObject{{u"name"_s, next->value(u"trackName"_s).toString()},
                                                               {u"artist"_s, next->value(u"trackArtist"_s).toString()}})
                                       : QJsonValue());
        state.insert(u"artwork"_s, m_artworkPublished.isEmpty()
                                       ? QJsonValue()
                                       : QJsonValue(u"/api/artwork?v=%1"_s.arg(m_artworkVersion)));
    }
    const ScreenCare* care = app.feature<ScreenCare>();
    state.insert(u"switches"_s, QJsonObject{{u"vinyl"_s, live.isShowVinyl},
                                            {u"lyrics"_s, live.showLyrics},
                                            {u"nextUp"_s, live.showNextUp},
                                            {u"multiArtworks"_s, live.isShowMultiArtworks},
                                            {u"standby"_s, care != nullptr && care->isInStandby()}});
    const Preferences defaults;
    QJsonArray fields;
    for (const FormField& form : formFields) {
        const QString key = QString::fromLatin1(form.key);
        const PreferenceField* field = preferenceField(key);
        if (field == nullptr)
            continue;
        QJsonObject entry{{u"key"_s, key},
                          {u"label"_s, QString::fromUtf8(form.label)},
                          {u"kind"_s, QString::fromLatin1(form.kind)},
                          {u"value"_s, jsonOf(field->value(live))},
                          {u"default"_s, jsonOf(field->value(defaults))}};
        if (form.maximum > 0) {
            entry.insert(u"min"_s, form.minimum);
            entry.insert(u"max"_s, form.maximum);
        }
        if (QLatin1StringView(form.kind) == "choice"_L1)
            entry.insert(u"choices"_s, QJsonArray{u"Left"_s, u"Right"_s, u"Alternate"_s});
        fields.append(entry);
    }
    state.insert(u"preferences"_s, QJsonObject{{u"panelOpen"_s, app.isPanelVisible()}, {u"fields"_s, fields}});
    return state;
}

void RemoteControl::run(const QJsonObject& command)
{
    if (!commandProblem(command).isEmpty())
        return;
    const QString name = command.value(u"command"_s).toString();
    const QJsonValue value = command.value(u"value"_s);
    const bool running = app.playerState() != PlayerState::notRunning;
    const bool playing = app.playerState() == PlayerState::playing;
    PlaybackControl* playback = app.feature<PlaybackControl>();
    // A switch given no value turns over.
    const auto wanted = [&value](bool now) { return value.isBool() ? value.toBool() : !now; };
    const Preferences& live = app.livePreferences();
    const auto flip = [&](bool now, KeyCommand key) {
        if (wanted(now) != now)
            app.runKeyCommand(key);
    };

    if (name == "playPause"_L1 || (name == "play"_L1 && !playing) || (name == "pause"_L1 && playing)) {
        if (playback != nullptr)
            playback->playPause();
    } else if (name == "next"_L1 && playback != nullptr) {
        playback->next();
    } else if (name == "previous"_L1 && playback != nullptr) {
        playback->previous();
    } else if (name == "volume"_L1 && running) {
        app.setSoundVolume(QVariant(qint64(std::lround(value.toDouble()))));
    } else if (name == "loved"_L1 && running) {
        if (wanted(isNumberTrue(app.trackLoved())) != isNumberTrue(app.trackLoved()))
            app.clickTrackLoved(nullptr);
    } else if (name == "rating"_L1 && running) {
        app.setTrackRating(qint64(value.toInt()) * 20);
        app.clickTrackRating(nullptr);
    } else if (name == "follow"_L1) {
        if (auto* following = app.feature<PlayerFollowing>())
            following->follow(command.value(u"player"_s).toString());
    } else if (name == "followNext"_L1) {
        app.runKeyCommand(KeyCommand::NextPlayer);
    } else if (name == "nextArtwork"_L1) {
        app.runKeyCommand(KeyCommand::NextArtwork);
    } else if (name == "vinyl"_L1) {
        flip(live.isShowVinyl, KeyCommand::Vinyl);
    } else if (name == "lyrics"_L1) {
        flip(live.showLyrics, KeyCommand::Lyrics);
    } else if (name == "nextUp"_L1) {
        flip(live.showNextUp, KeyCommand::NextUp);
    } else if (name == "multiArtworks"_L1) {
        flip(live.isShowMultiArtworks, KeyCommand::MultiArtworks);
    } else if (name == "standby"_L1) {
        ScreenCare* care = app.feature<ScreenCare>();
        if (care != nullptr && wanted(care->isInStandby()))
            care->standbyNow();
        else if (care != nullptr && care->isInStandby())
            tellUserWasActive(app.features);
    } else if (name == "preferences"_L1) {
        applyPreferences(command.value(u"values"_s).toObject());
    }
    stateMayHaveChanged();
}

void RemoteControl::applyPreferences(const QJsonObject& values)
{
    // The panel's working copy is the user's at the display while it is open: a phone waits.
    if (app.isPanelVisible())
        return;
    // Applied as the panel applies, to what the display shows now (keys v and m change it beside
    // the working copy).
    Preferences preferences = app.livePreferences();
    for (const FormField& form : formFields) {
        const QString key = QString::fromLatin1(form.key);
        const PreferenceField* field = preferenceField(key);
        if (field == nullptr || !values.contains(key))
            continue;
        const QJsonValue value = values.value(key);
        QVariant given = value.toVariant();
        if (value.isDouble()) {
            if (value.toDouble() != std::floor(value.toDouble()))
                continue;
            given = qint64(std::clamp<double>(value.toDouble(), form.minimum, form.maximum));
        } else if (value.isArray()) {
            QStringList list;
            for (const QJsonValue& entry : value.toArray())
                if (entry.isString() && !entry.toString().trimmed().isEmpty())
                    list << entry.toString().trimmed();
            given = list;
        }
        field->setValue(preferences, given);
    }
    if (preferences == app.livePreferences())
        return;
    app.setWorkingPreferences(preferences);
    app.setPreferenceDone(nullptr);
}

bool RemoteControl::keyPressed(KeyCommand command)
{
    if (command != KeyCommand::Remote)
        return false;
    if (m_address.isEmpty()) {
        app.showAlertInfo(m_thread != nullptr && !m_failure.isEmpty() ? m_failure : remoteOffText);
        return true;
    }
    if (app.mWindow == nullptr)
        return true;
    if (m_pairing == nullptr)
        m_pairing = new PairingView(app.mWindow->contentView());
    if (m_pairing->isVisible())
        m_pairing->hide();
    else
        m_pairing->showAddress(m_address);
    return true;
}

void RemoteControl::preferencePanelFilled()
{
    fillPanel();
}

void RemoteControl::fillPanel()
{
    if (!app.mPreferenceView3)
        return;
    auto* address = app.mPreferenceView3->findChild<QLabel*>(u"remoteAddressLabel"_s);
    auto* code = app.mPreferenceView3->findChild<QLabel*>(u"remoteCodeLabel"_s);
    auto* renew = app.mPreferenceView3->findChild<QPushButton*>(u"remoteNewTokenButton"_s);
    if (address == nullptr || code == nullptr || renew == nullptr)
        return;
    address->setText(!m_address.isEmpty() ? m_address
                     : m_thread != nullptr && !m_failure.isEmpty() ? m_failure
                                                                   : u"The remote is off."_s);
    const QImage image = m_address.isEmpty() ? QImage() : qrCode(m_address.toUtf8());
    code->setPixmap(image.isNull() ? QPixmap()
                                   : QPixmap::fromImage(image.scaled(image.size() * 3, Qt::KeepAspectRatio,
                                                                     Qt::FastTransformation)));
    code->setVisible(!image.isNull());
    renew->setEnabled(!m_address.isEmpty());
    // Wired once: the page is filled each time the panel opens.
    if (!renew->property("wired").toBool()) {
        renew->setProperty("wired", true);
        connect(renew, &QPushButton::clicked, this, &RemoteControl::renewToken);
    }
}

} // namespace sleevelight
