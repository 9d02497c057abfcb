#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

namespace sleevelight {

// The user's settings file, read and written key by key. Readers answer like a defaults
// database does: a missing boolean is false, a missing integer 0, a missing string none.
class UserDefaults
{
public:
    explicit UserDefaults(const QString& filePath);

    // $XDG_CONFIG_HOME/Sleevelight/Sleevelight.conf (~/.config when the variable is unset).
    static UserDefaults& standardUserDefaults();
    static QString standardFilePath();
    // Tests point the standard instance at a file of their own.
    static void resetStandardUserDefaults();

    QString filePath() const;

    // The file did not exist, or was empty, when it was opened: nothing in it can be lost.
    bool isBlank() const { return m_blank; }
    // The file has content that could not be read or parsed when it was opened. The first write to
    // such a file keeps a copy of it beside it (".damaged"), so nothing in it is lost for good.
    bool isDamaged() const { return m_damaged; }

    QVariant objectForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    // Text and numbers read as text; anything else (a list, say) as none.
    std::optional<QString> stringForKey(const QString& key) const;

    void setBool(bool value, const QString& key);
    void setInteger(qint64 value, const QString& key);
    void setObject(const QVariant& value, const QString& key);

    // Writes what changed to the file (atomically, under a lock) and reads what others wrote.
    bool synchronize();

private:
    std::unique_ptr<QSettings> m_settings;
    bool m_blank = false;
    bool m_damaged = false;
    bool m_keptCopy = false;
};

} // namespace sleevelight
