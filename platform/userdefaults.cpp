#include "platform/userdefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {
std::unique_ptr<UserDefaults>& standardInstance()
{
    static std::unique_ptr<UserDefaults> instance;
    return instance;
}
} // namespace

UserDefaults::UserDefaults(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
    m_settings->setFallbacksEnabled(false);
    const QFileInfo file(filePath);
    m_blank = !file.exists() || file.size() == 0;
    // The reader skips or misreads lines it cannot place without complaint: content without a
    // single sensible key counts as damaged too.
    const QStringList keys = m_settings->allKeys();
    const bool anyKey = std::any_of(keys.begin(), keys.end(), [](const QString& key) {
        return !key.isEmpty() && std::all_of(key.begin(), key.end(), [](QChar c) { return c.isPrint(); });
    });
    m_damaged = !m_blank && (m_settings->status() != QSettings::NoError || !anyKey);
    if (m_damaged)
        qWarning("Sleevelight: the settings file %s is damaged; using what can be read",
                 qPrintable(filePath));
}

QString UserDefaults::standardFilePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + u"/.config"_s;
    return base + u"/Sleevelight/Sleevelight.conf"_s;
}

UserDefaults& UserDefaults::standardUserDefaults()
{
    auto& instance = standardInstance();
    if (!instance)
        instance = std::make_unique<UserDefaults>(standardFilePath());
    return *instance;
}

void UserDefaults::resetStandardUserDefaults()
{
    standardInstance().reset();
}

QString UserDefaults::filePath() const
{
    return m_settings->fileName();
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    return m_settings->value(key);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        if (text == u"true" || text == u"yes")
            return true;
        bool ok = false;
        const double number = text.toDouble(&ok);
        return ok && number != 0.0;
    }
    return value.toBool();
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    bool ok = false;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (const qint64 n = text.toLongLong(&ok); ok)
            return n;
        if (text.compare(u"true", Qt::CaseInsensitive) == 0)
            return 1;
        const double d = text.toDouble(&ok);
        return (ok && d > -9.2e18 && d < 9.2e18) ? qint64(d) : 0;
    }
    const qint64 n = value.toLongLong(&ok);
    return ok ? n : 0;
}

std::optional<QString> UserDefaults::stringForKey(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return std::nullopt;
    }
}

void UserDefaults::setBool(bool value, const QString& key)
{
    m_settings->setValue(key, value);
}

void UserDefaults::setInteger(qint64 value, const QString& key)
{
    m_settings->setValue(key, value);
}

void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    m_settings->setValue(key, value);
}

bool UserDefaults::synchronize()
{
    if (m_damaged && !m_keptCopy) {
        const QString copy = filePath() + u".damaged"_s;
        QFile::remove(copy);
        QFile::copy(filePath(), copy);
        m_keptCopy = true;
    }
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

} // namespace sleevelight
