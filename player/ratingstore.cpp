#include "player/ratingstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// Another copy of the program may hold the file for a moment; the window must not wait longer.
constexpr int busyTimeoutMs = 250;

class Statement
{
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr); }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    void bind(int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_statement, index, utf8.constData(), static_cast<int>(utf8.size()),
                          SQLITE_TRANSIENT);
    }
    void bind(int index, std::optional<int> number)
    {
        if (number)
            sqlite3_bind_int(m_statement, index, *number);
        else
            sqlite3_bind_null(m_statement, index);
    }
    int step() { return sqlite3_step(m_statement); }
    std::optional<int> integer(int column) const
    {
        if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
            return std::nullopt;
        return sqlite3_column_int(m_statement, column);
    }
    QString text(int column) const
    {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return bytes == nullptr ? QString()
                                : QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column));
    }

private:
    sqlite3_stmt* m_statement = nullptr;
};

bool exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The store marks its database as its own, SQLite's application id set to "SLST" and its schema's
// version in the user version, and writes only into a database that carries the mark.
constexpr int applicationId = 0x534c5354;
constexpr int schemaVersion = 1;
// What tryOpen answers for another program's database, or one of a newer schema.
constexpr int notOurs = -1;

// SQLITE_OK with the tables made and the mark set, notOurs, or what kept the file from being read.
// An unmarked database is a new file, or the store of an earlier release (its two tables and
// nothing else), which is marked with nothing lost.
int claim(sqlite3* db)
{
    int mark[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        Statement pragma(db, i == 0 ? "PRAGMA application_id" : "PRAGMA user_version");
        const int status = pragma.isValid() ? pragma.step() : sqlite3_errcode(db);
        if (status != SQLITE_ROW)
            return status;
        mark[i] = pragma.integer(0).value_or(0);
    }
    if (mark[0] == applicationId && mark[1] > schemaVersion)
        return notOurs;
    if (mark[0] != applicationId) {
        if (mark[0] != 0)
            return notOurs;
        QStringList tables;
        Statement list(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
        int status = list.isValid() ? list.step() : sqlite3_errcode(db);
        for (; status == SQLITE_ROW; status = list.step())
            tables << list.text(0);
        if (status != SQLITE_DONE)
            return status;
        if (!tables.isEmpty() && tables != QStringList{u"state"_s, u"tracks"_s} &&
            tables != QStringList{u"tracks"_s})
            return notOurs;
    }
    // A marked store is written only when something changes (it may be read-only for now).
    QByteArray sql =
        "CREATE TABLE IF NOT EXISTS tracks (key TEXT PRIMARY KEY, loved INTEGER, rating INTEGER, "
        "changed INTEGER); CREATE TABLE IF NOT EXISTS state (name TEXT PRIMARY KEY, value TEXT);";
    if (mark[0] != applicationId)
        sql += " PRAGMA application_id = " + QByteArray::number(applicationId) +
               "; PRAGMA user_version = " + QByteArray::number(schemaVersion) + ";";
    const int status = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    // An earlier release's store that cannot be written now is still read; the next write marks it.
    return status == SQLITE_READONLY && mark[0] != applicationId ? SQLITE_OK : status;
}

} // namespace

RatingStore::RatingStore(QString path) : m_path(std::move(path)) {}

RatingStore::~RatingStore()
{
    close();
}

QString RatingStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/Sleevelight/ratings.sqlite"_s;
}

void RatingStore::close()
{
    if (m_db != nullptr)
        sqlite3_close(m_db);
    m_db = nullptr;
}

bool RatingStore::open()
{
    if (m_db != nullptr)
        return true;
    if (m_openFailed)
        return false;
    QDir().mkpath(QFileInfo(m_path).path());

    // SQLITE_OK, or what kept the file from being used.
    auto tryOpen = [this] {
        int status =
            sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (status == SQLITE_OK) {
            sqlite3_busy_timeout(m_db, busyTimeoutMs);
            // A full sync on every commit: a loved flag set just before a power cut is still there.
            status = sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
            if (status == SQLITE_OK)
                status = claim(m_db);
        }
        if (status == SQLITE_OK) {
            // The statement must be gone before the connection can close.
            Statement check(m_db, "PRAGMA quick_check");
            status = !check.isValid() ? sqlite3_errcode(m_db) : check.step();
            if (status == SQLITE_ROW)
                status = check.text(0) == "ok"_L1 ? SQLITE_OK : SQLITE_CORRUPT;
        }
        if (status != SQLITE_OK)
            close();
        return status;
    };

    const int status = tryOpen();
    if (status == SQLITE_OK)
        return true;
    if (status == notOurs) {
        reportOnce(
            u"is another program's database, or of a newer version of this one; it is left as it is"_s);
        m_openFailed = true;
        return false;
    }
    // A damaged file is set aside, not overwritten, and a fresh one started beside it. A file that
    // is only locked by another program or read-only is left as it is.
    if ((status == SQLITE_NOTADB || status == SQLITE_CORRUPT) && QFileInfo::exists(m_path)) {
        const QString aside =
            m_path + u".damaged-"_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
        if (QFile::rename(m_path, aside)) {
            reportOnce(u"was damaged; it is kept as "_s + aside + u" and a new one started"_s);
            QFile::remove(m_path + u"-journal"_s);
            if (tryOpen() == SQLITE_OK)
                return true;
        }
    }
    m_openFailed = true;
    return false;
}

RatingStore::Entry RatingStore::entry(const QString& key)
{
    if (const auto pending = m_pending.constFind(key); pending != m_pending.cend())
        return *pending;
    Entry result;
    if (key.isEmpty() || !open())
        return result;
    Statement select(m_db, "SELECT loved, rating FROM tracks WHERE key = ?1");
    if (!select.isValid())
        return result;
    select.bind(1, key);
    if (select.step() == SQLITE_ROW) {
        if (const std::optional<int> loved = select.integer(0))
            result.loved = *loved != 0;
        result.rating = select.integer(1);
    }
    return result;
}

bool RatingStore::setLoved(const QString& key, bool loved)
{
    if (key.isEmpty())
        return false;
    Entry changed = entry(key);
    changed.loved = loved;
    return write(key, changed);
}

bool RatingStore::setRating(const QString& key, int rating)
{
    if (key.isEmpty())
        return false;
    Entry changed = entry(key);
    changed.rating = std::clamp(rating, 0, 100);
    return write(key, changed);
}

bool RatingStore::write(const QString& key, const Entry& entry)
{
    m_pending.insert(key, entry);
    return flushPending();
}

bool RatingStore::flushPending()
{
    // Writes try the file again each time; the folder may have become writable meanwhile.
    m_openFailed = false;
    // A connection made while the file was read-only stays so, however the file changes since.
    if (m_db != nullptr && sqlite3_db_readonly(m_db, "main") == 1)
        close();
    if (!open()) {
        reportOnce(u"cannot be opened"_s);
        return false;
    }
    const auto fail = [this] {
        reportOnce(u"cannot be written ("_s + QString::fromUtf8(sqlite3_errmsg(m_db)) + u')');
        exec(m_db, "ROLLBACK");
        // The next try opens the file anew; what was in the way may be gone by then.
        close();
        return false;
    };
    if (!exec(m_db, "BEGIN IMMEDIATE"))
        return fail();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    bool ok = true;
    for (auto it = m_pending.cbegin(); ok && it != m_pending.cend(); ++it) {
        Statement upsert(m_db,
                         "INSERT INTO tracks (key, loved, rating, changed) VALUES (?1, ?2, ?3, ?4) "
                         "ON CONFLICT(key) DO UPDATE SET loved = excluded.loved, rating = excluded.rating, "
                         "changed = excluded.changed");
        upsert.bind(1, it.key());
        upsert.bind(2, it->loved ? std::optional<int>(*it->loved ? 1 : 0) : std::nullopt);
        upsert.bind(3, it->rating);
        upsert.bind(4, static_cast<int>(now & 0x7fffffff));
        ok = upsert.isValid() && upsert.step() == SQLITE_DONE;
    }
    for (auto it = m_pendingValues.cbegin(); ok && it != m_pendingValues.cend(); ++it) {
        Statement upsert(m_db, "INSERT INTO state (name, value) VALUES (?1, ?2) "
                               "ON CONFLICT(name) DO UPDATE SET value = excluded.value");
        upsert.bind(1, it.key());
        upsert.bind(2, it.value());
        ok = upsert.isValid() && upsert.step() == SQLITE_DONE;
    }
    if (!ok || !exec(m_db, "COMMIT"))
        return fail();
    m_pending.clear();
    m_pendingValues.clear();
    return true;
}

void RatingStore::reportOnce(const QString& trouble)
{
    if (m_reported)
        return;
    m_reported = true;
    qWarning("Sleevelight: the rating store %s %s; loved and ratings are kept in memory until it can be "
             "written",
             qPrintable(m_path), qPrintable(trouble));
}

QString RatingStore::value(const QString& name)
{
    if (const auto pending = m_pendingValues.constFind(name); pending != m_pendingValues.cend())
        return *pending;
    if (!open())
        return {};
    Statement select(m_db, "SELECT value FROM state WHERE name = ?1");
    if (!select.isValid())
        return {};
    select.bind(1, name);
    return select.step() == SQLITE_ROW ? select.text(0) : QString();
}

bool RatingStore::setValue(const QString& name, const QString& value)
{
    m_pendingValues.insert(name, value);
    return flushPending();
}

} // namespace sleevelight
