// The settings file as the user, an editor or a crash left it, read by the preference readers,
// then written to: what is written must read back, and damaged content is kept in a copy.
// Input: the file's bytes.

#include "fuzz/fuzzinput.h"
#include "platform/userdefaults.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace sleevelight;

namespace {

const char* const keys[] = {
    "fullScreenMode",      "preventSleep",          "isShowAlbumName",    "isShowAlbumNumber",
    "isShowRatings",       "isShowProgress",        "isShowVinyl",        "isShowMultiArtworks",
    "artworkPositionMode", "toggleArtworkInterval", "nameFont",           "albumFont",
    "artistFont",          "maxFontSize",           "startItunesWithApp", "automaticCheckUpdate",
};

QTemporaryDir* g_folder = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    static QTemporaryDir folder;
    g_folder = &folder;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A new name each time: QSettings keeps files it has read in a cache of its own.
    static quint64 run = 0;
    const QString path = g_folder->filePath(QStringLiteral("Sleevelight-%1.conf").arg(++run));
    {
        QFile file(path);
        FUZZ_ASSERT(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    {
        UserDefaults defaults(path);
        FUZZ_ASSERT(!(defaults.isBlank() && defaults.isDamaged()));
        for (const char* name : keys) {
            const QString key = QString::fromLatin1(name);
            (void)defaults.objectForKey(key);
            (void)defaults.boolForKey(key);
            (void)defaults.integerForKey(key);
            (void)defaults.stringForKey(key);
        }
        defaults.setInteger(42, QStringLiteral("maxFontSize"));
        defaults.setBool(true, QStringLiteral("preventSleep"));
        if (defaults.synchronize()) {
            UserDefaults again(path);
            FUZZ_ASSERT(again.integerForKey(QStringLiteral("maxFontSize")) == 42);
            FUZZ_ASSERT(again.boolForKey(QStringLiteral("preventSleep")));
        }
        const QString copy = path + QStringLiteral(".damaged");
        if (defaults.isDamaged()) {
            QFile kept(copy);
            FUZZ_ASSERT(kept.open(QIODevice::ReadOnly));
            FUZZ_ASSERT(kept.readAll() == QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        }
        QFile::remove(copy);
    }
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".lock"));
    return 0;
}
