#include "player/ratingkeeper.h"

#include <QCoreApplication>
#include <QThread>

namespace sleevelight {

RatingKeeper::RatingKeeper(QString path, QObject* parent)
    : QObject(parent), m_thread(new QThread(this)), m_worker(new QObject),
      m_store(std::make_shared<RatingStore>(std::move(path)))
{
    m_thread->setObjectName(QStringLiteral("rating store"));
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start(QThread::LowPriority);
}

RatingKeeper::~RatingKeeper()
{
    flush();
    m_thread->quit();
    m_thread->wait();
}

void RatingKeeper::onStoreThread(std::function<void(RatingStore&)> work)
{
    QMetaObject::invokeMethod(
        m_worker, [store = m_store, work = std::move(work)] { work(*store); }, Qt::QueuedConnection);
}

void RatingKeeper::flush()
{
    QMetaObject::invokeMethod(
        m_worker, [] {}, Qt::BlockingQueuedConnection);
    // The answers come to this thread as events; they are taken now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

std::optional<RatingStore::Entry> RatingKeeper::entry(const QString& key)
{
    if (key.isEmpty())
        return RatingStore::Entry();
    if (!m_entriesAsked.contains(key)) {
        forgetWhenLarge();
        m_entriesAsked.insert(key);
        onStoreThread([this, key](RatingStore& store) {
            const RatingStore::Entry read = store.entry(key);
            QMetaObject::invokeMethod(
                this,
                [this, key, read] {
                    RatingStore::Entry& kept = m_entries[key];
                    if (!kept.loved)
                        kept.loved = read.loved;
                    if (!kept.rating)
                        kept.rating = read.rating;
                    Q_EMIT known(key);
                },
                Qt::QueuedConnection);
        });
    }
    const auto found = m_entries.constFind(key);
    if (found == m_entries.cend())
        return std::nullopt;
    return *found;
}

void RatingKeeper::forgetWhenLarge()
{
    // A display on all day meets thousands of tracks. What it forgets is read again when asked;
    // the file answers after every write made before, as the store's thread works in order.
    if (m_entriesAsked.size() + m_valuesAsked.size() < maxKnown)
        return;
    m_entries.clear();
    m_entriesAsked.clear();
    m_values.clear();
    m_valuesAsked.clear();
}

void RatingKeeper::setLoved(const QString& key, bool loved)
{
    if (key.isEmpty())
        return;
    m_entries[key].loved = loved;
    onStoreThread([key, loved](RatingStore& store) { store.setLoved(key, loved); });
}

void RatingKeeper::setRating(const QString& key, int rating)
{
    if (key.isEmpty())
        return;
    m_entries[key].rating = rating;
    onStoreThread([key, rating](RatingStore& store) { store.setRating(key, rating); });
}

std::optional<QString> RatingKeeper::value(const QString& name)
{
    if (const auto found = m_values.constFind(name); found != m_values.cend())
        return *found;
    if (!m_valuesAsked.contains(name)) {
        forgetWhenLarge();
        m_valuesAsked.insert(name);
        onStoreThread([this, name](RatingStore& store) {
            const QString read = store.value(name);
            QMetaObject::invokeMethod(
                this,
                [this, name, read] {
                    // A value set while it was read is newer than the file's.
                    if (!m_values.contains(name))
                        m_values.insert(name, read);
                    Q_EMIT known(name);
                },
                Qt::QueuedConnection);
        });
    }
    return std::nullopt;
}

void RatingKeeper::setValue(const QString& name, const QString& value)
{
    m_values.insert(name, value);
    onStoreThread([name, value](RatingStore& store) { store.setValue(name, value); });
}

} // namespace sleevelight
