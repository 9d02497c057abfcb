// The update check and download against a real HTTP server on the loopback interface.

#include "platform/httpfetch.h"
#include "platform/savepanel.h"
#include "platform/views/panel.h"
#include "platform/views/textfield.h"
#include "tests/support/httptestserver.h"
#include "tests/support/testenvironment.h"
#include "update/updatesite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <csignal>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

using Mode = HttpTestServer::Mode;
using Route = HttpTestServer::Route;
Q_DECLARE_METATYPE(HttpTestServer::Route)

namespace {

const QString pagePath = u"/contents/software/sleevelight/latest/version.html"_s;
const QByteArray localToken = QByteArrayLiteral("v" SLEEVELIGHT_VERSION);

const QString unreadableTitle = u"Can't get the update info now."_s;
const QString upToDateTitle = u"Sleevelight is up-to-date."_s;
const QString newVersionTitle = u"A new version of Sleevelight is available."_s;

Route page(const QByteArray& body, int status = 200)
{
    return Route{status, body, Mode::Normal, {}};
}

// A disk with `bytes` left for this process: writes beyond it fail (EFBIG rather than ENOSPC, the
// same to the program), and SIGXFSZ, which would kill the process, is ignored. Mounting a small
// file system would need rights a test cannot count on.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_previousSignal(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit limited{bytes, m_saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousSignal);
    }
    Q_DISABLE_COPY(FileSizeLimit)

private:
    rlimit m_saved{};
    void (*m_previousSignal)(int);
};

// The application loaded from its interface files but not launched, so no check runs by itself.
struct Fixture : TestApplication
{
    HttpTestServer server;

    Fixture() : TestApplication(1000.0, loaded) { UpdateSite::setSite(server.site()); }

    QString reportTitle() const { return d->mUpdateDescription->attributedText().value(0).text; }

    // A new version is on offer, so the panel shows its download button.
    void offerNewVersion()
    {
        server.setRoute(pagePath, page("v99.0 (1)"));
        d->checkForUpdate(nullptr);
        QVERIFY(d->mUpdateDownload->isVisibleTo(d->mCheckForUpdatePanel));
    }
};

} // namespace

class TestUpdate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        UpdateSite::Limits limits;
        limits.pageTimeoutMs = 1500;
        limits.downloadStallMs = 1500;
        UpdateSite::setLimits(limits);
    }

    void cleanup()
    {
        UpdateSite::setLimits(UpdateSite::Limits());
        SavePanel::setRunner({});
    }

    void isUpdateAvailable_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QString>("site"); // "": the test server, "/": with a slash after it
        QTest::addColumn<int>("expected");

        const QByteArray padding(4096, 'x');
        const QByteArray atCap = QByteArray(localToken + ' ' + padding).left(4096);
        QTest::newRow("equal token, build text after a space") << page(localToken + " (57)") << "" << 0;
        QTest::newRow("older token") << page("v0.9.0 (12)") << "" << 1;
        QTest::newRow("equal token and a line break") << page(localToken + "\n") << "" << 0;
        QTest::newRow("equal token and a Windows line end") << page(localToken + "\r\n") << "" << 0;
        QTest::newRow("equal token in white space") << page(" \t" + localToken + "\t \r\n") << "" << 0;
        QTest::newRow("older token and a line break") << page("v0.9.0\n") << "" << 1;
        QTest::newRow("empty body") << page("") << "" << 1;
        QTest::newRow("body at the cap") << page(atCap) << "" << 0;
        QTest::newRow("body beyond the cap") << page(atCap + 'x') << "" << -1;
        QTest::newRow("not UTF-8") << page(localToken + "\xff\xfe (1)") << "" << -1;
        QTest::newRow("error status with a matching body") << page(localToken + " (1)", 404) << "" << -1;
        QTest::newRow("server that never answers") << Route{200, localToken, Mode::Silent, {}} << "" << -1;
        QTest::newRow("unreachable server") << page(localToken) << "closed" << -1;
        QTest::newRow("site given with a trailing slash") << page(localToken) << "/" << 0;
        QTest::newRow("site that is not an address") << page(localToken) << "not a site" << -1;
        QTest::newRow("redirect within the site") << Route{302, {}, Mode::Normal, "/moved"} << "" << 0;
        QTest::newRow("redirect to another scheme")
            << Route{302, {}, Mode::Normal, "ftp://127.0.0.1/version.html"} << "" << -1;
    }

    // Each case is read once as the launch's check does, then as the check the user asks for.
    void isUpdateAvailable()
    {
        QFETCH(Route, route);
        QFETCH(QString, site);
        QFETCH(int, expected);
        Fixture f;
        f.server.setRoute(pagePath, route);
        f.server.setRoute(u"/moved"_s, page(localToken + " (2)"));
        if (site == u"/")
            UpdateSite::setSite(f.server.site() + site);
        else if (!site.isEmpty())
            UpdateSite::setSite(site == u"closed" ? HttpTestServer::closedSite() : site);

        QCOMPARE(f.d->isUpdateAvailable(), expected);
        QVERIFY(!f.d->mCheckForUpdatePanel->isVisible());
        QCOMPARE(f.server.requests().value(0), site.size() <= 1 ? pagePath : QString());

        // Whatever an earlier report left in the panel is replaced, not added to.
        f.d->mUpdateDescription->setText(u"left over"_s);
        f.d->checkForUpdate(nullptr);
        Panel* panel = f.d->mCheckForUpdatePanel;
        QVERIFY(panel->isVisible());
        const QList<TextRun> runs = f.d->mUpdateDescription->attributedText();
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs[0].text, (QStringList{unreadableTitle, upToDateTitle, newVersionTitle}[expected + 1]));
        const QString local = QString::fromLatin1(localToken);
        const QString offered = QString::fromUtf8(route.body).trimmed().section(u' ', 0, 0).trimmed();
        QCOMPARE(
            runs[1].text,
            (QStringList{u"\r\n\r\nTry it later, please. Or Check the internet connection."_s,
                         u"\r\n\r\nYour current version is "_s + local + u". No new version is available."_s,
                         u"\r\n\r\nSleevelight "_s + offered + u" is available. You have "_s + local +
                             u'.'}[expected + 1]));
        // Return is the Done button's key only when there is nothing to download.
        QCOMPARE(f.d->mUpdateDownload->isVisible(), expected == 1);
        QTest::keyClick(panel, Qt::Key_Return);
        QCOMPARE(panel->isVisible(), expected == 1);
        f.d->checkForUpdateDone(nullptr);
        QVERIFY(!panel->isVisible());
    }

    // A redirect may stay on HTTPS or go up to it, never down to plain HTTP or another scheme.
    void redirectRule()
    {
        const auto allowed = [](const char* from, const char* to) {
            return HttpFetch::isRedirectAllowed(QUrl(QString::fromLatin1(from)),
                                                QUrl(QString::fromLatin1(to)));
        };
        QVERIFY(allowed("https://a.org/x", "https://b.org/y") &&
                allowed("http://a.org/x", "https://a.org/x"));
        QVERIFY(!allowed("https://a.org/x", "http://a.org/x") &&
                !allowed("https://a.org/x", "file:///etc/passwd"));
    }

    // What the download button leads to. The chosen file is in a folder that holds an older image
    // and a plain file; "-" is a save panel confirmed without a file, "cancel" a cancelled one,
    // "disk full" the image's own name on a disk with a megabyte left.
    void download_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QByteArray>("sums"); // the sums file; "-" when there is none
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<QString>("outcome"); // "saved", "error" or "closed"

        QByteArray package(3 * 1024 * 1024 + 17, Qt::Uninitialized);
        for (qsizetype i = 0; i < package.size(); ++i)
            package[i] = char(i * 131 % 251);
        const QByteArray name = UpdateSite::packageName().toUtf8();
        const QByteArray sha256 = QCryptographicHash::hash(package, QCryptographicHash::Sha256).toHex();
        const QByteArray sums =
            "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef  other.deb\n" + sha256 + "  " +
            name + "\n";
        const qint64 noCap = UpdateSite::Limits().packageMaxBytes;
        QTest::newRow("saved under the package's own name")
            << page(package) << sums << "Another name.deb" << noCap << "saved";
        QTest::newRow("the sums file as Windows writes it, in binary mode")
            << page(package) << QByteArray(sha256.toUpper() + " *" + name + "\r\n") << "x.deb" << noCap
            << "saved";
        QTest::newRow("cancelled save panel") << page(package) << sums << "cancel" << noCap << "closed";
        QTest::newRow("folder that is a file")
            << page(package) << sums << "plain file/x.deb" << noCap << "error";
        QTest::newRow("no file chosen") << page(package) << sums << "-" << noCap << "error";
        QTest::newRow("error status") << page("not found", 404) << sums << "x.deb" << noCap << "error";
        QTest::newRow("connection cut short")
            << Route{200, package, Mode::Truncate, {}} << sums << "x.deb" << noCap << "error";
        QTest::newRow("server falls silent")
            << Route{200, package, Mode::Stall, {}} << sums << "x.deb" << noCap << "error";
        QTest::newRow("package beyond the cap")
            << page(package) << sums << "x.deb" << qint64(package.size() - 1) << "error";
        QTest::newRow("disk full") << page(package) << sums << "disk full" << noCap << "error";
        QTest::newRow("a wrong sum") << page(package)
                                     << QByteArray(QByteArray(sha256).replace(0, 2, "00") + "  " + name +
                                                   "\n")
                                     << "x.deb" << noCap << "error";
        QTest::newRow("no sums file") << page(package) << QByteArray("-") << "x.deb" << noCap << "error";
        QTest::newRow("no line for the package")
            << page(package) << QByteArray(sha256 + "  sleevelight_other.deb\n") << "x.deb" << noCap
            << "error";
        QTest::newRow("a sums file too long to be one")
            << page(package) << QByteArray(sums + QByteArray(8192, '#')) << "x.deb" << noCap << "error";
    }

    void download()
    {
        QFETCH(Route, route);
        QFETCH(QByteArray, sums);
        QFETCH(QString, chosen);
        QFETCH(qint64, cap);
        QFETCH(QString, outcome);
        Fixture f;
        f.offerNewVersion();
        f.server.setRoute(UpdateSite::packagePath(), route);
        if (sums != "-")
            f.server.setRoute(UpdateSite::sumsPath, page(sums));
        UpdateSite::Limits limits = UpdateSite::limits();
        limits.packageMaxBytes = cap;
        UpdateSite::setLimits(limits);

        QTemporaryDir folder;
        const QString existing = folder.filePath(UpdateSite::packageName());
        QVERIFY(writeFile(existing, "the package downloaded last time"));
        QVERIFY(writeFile(folder.filePath(u"plain file"_s), "not a folder"));
        SavePanel::setRunner([&](const SavePanel& panel) -> std::optional<QString> {
            if (panel.allowedFileTypes != QStringList{u"deb"_s})
                return std::nullopt;
            if (chosen == u"cancel")
                return std::nullopt;
            return chosen == u"-" ? QString() : folder.filePath(chosen == u"disk full" ? u"x.deb"_s : chosen);
        });
        {
            std::optional<FileSizeLimit> diskFull;
            if (chosen == u"disk full")
                diskFull.emplace(1024 * 1024);
            f.d->checkForUpdateDownload(nullptr);
        }

        QCOMPARE(f.d->mCheckForUpdatePanel->isVisible(), outcome == u"error");
        if (outcome == u"error") {
            QCOMPARE(f.reportTitle(), u"Download error"_s);
            QVERIFY(f.d->mUpdateDownload->isVisible() && f.d->mUpdateDownload->isEnabled());
        }
        // Saved under the package's own name; nothing half-written, and nothing that was there lost.
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
            (QStringList{u"plain file"_s, UpdateSite::packageName()}));
        QVERIFY(readFile(existing) ==
                (outcome == u"saved" ? route.body : QByteArray("the package downloaded last time")));
    }

    void launchCheck_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<bool>("shown");
        QTest::newRow("another version published") << page("v99.0 (1)") << true << true;
        QTest::newRow("same version published") << page(localToken + " (3)") << true << false;
        QTest::newRow("network unplugged") << page("v99.0 (1)") << false << false;
    }

    void launchCheck()
    {
        QFETCH(Route, route);
        QFETCH(bool, reachable);
        QFETCH(bool, shown);
        Fixture f;
        f.server.setRoute(pagePath, route);
        if (!reachable)
            UpdateSite::setSite(HttpTestServer::closedSite());
        f.launch();
        AppDelegate* d = f.d;
        const HttpTestServer& server = f.server;
        // The launch itself never waits for the network.
        QVERIFY(server.requests().isEmpty());
        QVERIFY(!d->mCheckForUpdatePanel->isVisible());

        // The version page is asked for once, and again for the report when one follows.
        if (reachable)
            QTRY_COMPARE(server.requests().size(), shown ? 2 : 1);
        QTest::qWait(300);
        QCOMPARE(d->mCheckForUpdatePanel->isVisible(), shown);
        if (shown) {
            QCOMPARE(d->mUpdateDescription->attributedText().value(0).text, newVersionTitle);
            QVERIFY(d->mCheckForUpdatePanel->windowFlags() & Qt::WindowStaysOnTopHint);
        }
    }
};

QTEST_MAIN(TestUpdate)
#include "tst_update.moc"
