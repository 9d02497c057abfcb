#pragma once

#include "player/ratingstore.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QThread;

namespace sleevelight {

// The rating store on a thread of its own, so that the window's thread never waits on the file
// (another program holding a lock makes a write wait a quarter of a second). Reads answer from
// what is known: a key not known yet is asked for once, and known() says when it is. Writes count
// at once and reach the file in the order they were made; nothing is lost when the file is slow.
class RatingKeeper : public QObject
{
    Q_OBJECT

public:
    explicit RatingKeeper(QString path = RatingStore::defaultPath(), QObject* parent = nullptr);
    // Writes what is still waiting first.
    ~RatingKeeper() override;

    // What is kept for the track `key`; none until the file has been read for it.
    std::optional<RatingStore::Entry> entry(const QString& key);
    void setLoved(const QString& key, bool loved);
    void setRating(const QString& key, int rating);
    // A value of the program's own; none until read (an empty text: nothing is kept).
    std::optional<QString> value(const QString& name);
    void setValue(const QString& name, const QString& value);

    // How many tracks and values it knows at most before it forgets them all.
    static constexpr qsizetype maxKnown = 2000;

    // Returns once everything asked of the file so far is done, its answers delivered.
    void flush();

Q_SIGNALS:
    // What was asked for under `key` (or a value's name) is known now.
    void known(const QString& key);

private:
    void forgetWhenLarge();
    // Runs `work` with the store on its thread, after everything asked before.
    void onStoreThread(std::function<void(RatingStore&)> work);

    QThread* m_thread = nullptr;
    QObject* m_worker = nullptr; // lives on m_thread
    std::shared_ptr<RatingStore> m_store;
    // What is known, from the file or set since; a field set here wins over what the file says.
    QHash<QString, RatingStore::Entry> m_entries;
    QSet<QString> m_entriesAsked;
    QHash<QString, QString> m_values;
    QSet<QString> m_valuesAsked;
};

} // namespace sleevelight
