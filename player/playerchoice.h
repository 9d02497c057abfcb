#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

namespace sleevelight {

class PlayerSource;
class SourcePlayer;

// Which player, of every source's, is followed. The player the user chose (key p) is followed
// while it is there; else the first of the preferred players present; else a playing player wins
// over one that is not, the followed one is kept while it plays, and when it leaves, the most
// recently active of the others takes over. Ignored players are never followed.
class PlayerChoice : public QObject
{
    Q_OBJECT

public:
    explicit PlayerChoice(QObject* parent = nullptr);
    ~PlayerChoice() override;

    // Follows the players of `source` too, from now on.
    void addSource(PlayerSource* source);

    SourcePlayer* followed() const { return m_followed; }
    // Every player of every source, by the order of their ids.
    QList<SourcePlayer*> players() const;
    // One player per way it is reached, ignored ones too.
    QList<SourcePlayer*> present() const;
    // True once every source knows the players already there at start.
    bool isReady() const;

    // Names matched, without regard to case, against each player's names().
    void setRules(const QStringList& preferred, const QStringList& ignored);
    // Follows the next player, in the order of their ids, from now on while it is there; the
    // player, or none when no player may be followed.
    SourcePlayer* followNext();
    // Follows the player that calls itself `identity` from now on while it is there; the player, or
    // none when no such player may be followed.
    SourcePlayer* follow(const QString& identity);

Q_SIGNALS:
    void followedChanged();
    // The followed player changed its state or track.
    void followedPlayerChanged();
    void followedPlayerSeeked();
    void readyChanged();
    // The player the user chose left; followed() is the one followed now.
    void choiceLeft();

private:
    void addPlayer(SourcePlayer* player);
    void removePlayer(SourcePlayer* player);
    void markActive(SourcePlayer* player);
    void choose();
    bool matches(const SourcePlayer* player, const QStringList& names) const;
    // The players that may be followed, one per way they are reached (a browser owns a name and
    // an instance name; a daemon may be on two buses), by id; a mirror only when it is alone.
    QList<SourcePlayer*> candidates() const;
    QList<SourcePlayer*> onePerConnection(bool withIgnored) const;

    QList<PlayerSource*> m_sources;
    QList<SourcePlayer*> m_players;
    QHash<SourcePlayer*, quint64> m_lastActive;
    quint64 m_activityClock = 0;
    QPointer<SourcePlayer> m_followed;
    QPointer<SourcePlayer> m_chosen;
    QStringList m_preferred;
    QStringList m_ignored;
};

} // namespace sleevelight
