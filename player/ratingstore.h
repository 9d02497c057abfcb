#pragma once

#include <QHash>
#include <QString>

#include <optional>

struct sqlite3;

namespace sleevelight {

// Loved flags and ratings the player cannot keep, in an SQLite file of the user's data folder.
// Every change is committed at once. When the file cannot be written, the value is held in
// memory and written with the next change that succeeds, so nothing set is lost.
class RatingStore
{
public:
    struct Entry
    {
        std::optional<bool> loved;
        std::optional<int> rating;
    };

    // The store's file; by default in the user's data folder.
    explicit RatingStore(QString path = defaultPath());
    ~RatingStore();
    RatingStore(const RatingStore&) = delete;
    RatingStore& operator=(const RatingStore&) = delete;

    static QString defaultPath();
    QString path() const { return m_path; }

    Entry entry(const QString& key);
    // True when the value reached the file.
    bool setLoved(const QString& key, bool loved);
    bool setRating(const QString& key, int rating);

    // Small values of the program's own, kept in the same file.
    QString value(const QString& name);
    bool setValue(const QString& name, const QString& value);

private:
    bool open();
    bool write(const QString& key, const Entry& entry);
    bool flushPending();
    void close();
    // One line in the log for the first trouble with the file; the values are safe in memory.
    void reportOnce(const QString& trouble);

    QString m_path;
    sqlite3* m_db = nullptr;
    bool m_openFailed = false;
    bool m_reported = false;
    QHash<QString, Entry> m_pending;
    QHash<QString, QString> m_pendingValues;
};

} // namespace sleevelight
