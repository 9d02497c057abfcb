// The settings file as the user, an editor or a crash left it, read by the preference readers,
// then written to: what is written must read back, and damaged content is kept in a copy.
// Input: the file's bytes.

#include "fuzz/fuzzinput.h"
#include "platform/userdefaults.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

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
    const QString path = g_folder->filePath(u"Sleevelight-%1.conf"_s.arg(++run));
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
        defaults.setInteger(42, u"maxFontSize"_s);
        defaults.setBool(true, u"preventSleep"_s);
        if (defaults.synchronize()) {
            UserDefaults again(path);
            FUZZ_ASSERT(again.integerForKey(u"maxFontSize"_s) == 42);
            FUZZ_ASSERT(again.boolForKey(u"preventSleep"_s));
        }
        const QString copy = path + u".damaged"_s;
        if (defaults.isDamaged()) {
            QFile kept(copy);
            FUZZ_ASSERT(kept.open(QIODevice::ReadOnly));
            FUZZ_ASSERT(kept.readAll() == QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        }
        QFile::remove(copy);
    }
    QFile::remove(path);
    QFile::remove(path + u".lock"_s);
    return 0;
}
