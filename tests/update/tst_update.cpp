// The update check and download against a real HTTP server on the loopback interface.

#include "app/appdelegate.h"
#include "app/application.h"
#include "platform/httpfetch.h"
#include "platform/savepanel.h"
#include "platform/views/panel.h"
#include "platform/views/textfield.h"
#include "tests/support/fakebridge.h"
#include "tests/support/testenvironment.h"
#include "tests/update/httptestserver.h"
#include "update/updatesite.h"

#include <QDir>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace sleevelight;
using namespace sleevelight::test;

using Mode = HttpTestServer::Mode;
using Route = HttpTestServer::Route;
Q_DECLARE_METATYPE(HttpTestServer::Route)

namespace {

const QString pagePath = QStringLiteral("/contents/software/sleevelight/latest/version.html");
const QString imagePath = QStringLiteral("/contents/software/sleevelight/latest/Sleevelight.dmg");
const QByteArray localToken = QByteArrayLiteral("v" SLEEVELIGHT_VERSION);

const QString unreadableTitle = QStringLiteral("Can't get the update info now.");
const QString unreadableDetail =
    QStringLiteral("\r\n\r\nTry it later, please. Or Check the internet connection.");
const QString upToDateTitle = QStringLiteral("Sleevelight is up-to-date.");
const QString newVersionTitle = QStringLiteral("A new version of Sleevelight is available.");
const QString downloadErrorTitle = QStringLiteral("Download error");
const QString downloadErrorDetail = QStringLiteral("\r\n\r\nTry it later. Or Check the internet connection.");

Route page(const QByteArray& body, int status = 200)
{
    return Route{status, body, Mode::Normal, {}};
}

QByteArray payload(int size)
{
    QRandomGenerator generator(7);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The application loaded from its interface files but not launched, so no check runs by itself.
struct Fixture
{
    TestEnvironment environment{1000.0};
    HttpTestServer server;
    Application application;
    AppDelegate* d = nullptr;

    Fixture()
    {
        UpdateSite::setSite(server.site());
        FakeBridge::install();
        QString error;
        if (!application.load(&error))
            qFatal("the application did not load: %s", qPrintable(error));
        d = application.delegate();
    }

    QString reportTitle() const { return d->mUpdateDescription->attributedText().value(0).text; }
    QString reportDetail() const { return d->mUpdateDescription->attributedText().value(1).text; }

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
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<int>("expected");

        const QByteArray padding(4096, 'x');
        const QByteArray atCap = QByteArray(localToken + ' ' + padding).left(4096);
        QTest::newRow("equal token, build text after a space") << page(localToken + " (57)") << true << 0;
        QTest::newRow("older token") << page("v0.9.0 (12)") << true << 1;
        QTest::newRow("token with a trailing line break") << page(localToken + '\n') << true << 1;
        QTest::newRow("empty body") << page("") << true << 1;
        QTest::newRow("body beginning with a space") << page(' ' + localToken) << true << 1;
        QTest::newRow("body at the cap") << page(atCap) << true << 0;
        QTest::newRow("body beyond the cap") << page(atCap + 'x') << true << -1;
        QTest::newRow("not UTF-8") << page(localToken + "\xff\xfe (1)") << true << -1;
        QTest::newRow("error status with a matching body") << page(localToken + " (1)", 404) << true << -1;
        QTest::newRow("server that never answers") << Route{200, localToken, Mode::Silent, {}} << true << -1;
        QTest::newRow("unreachable server") << page(localToken) << false << -1;
        QTest::newRow("redirect within the site") << Route{302, {}, Mode::Normal, "/moved"} << true << 0;
        QTest::newRow("redirect to another scheme")
            << Route{302, {}, Mode::Normal, "ftp://127.0.0.1/version.html"} << true << -1;
    }

    void isUpdateAvailable()
    {
        QFETCH(Route, route);
        QFETCH(bool, reachable);
        QFETCH(int, expected);
        Fixture f;
        f.server.setRoute(pagePath, route);
        f.server.setRoute(QStringLiteral("/moved"), page(localToken + " (2)"));
        if (!reachable)
            UpdateSite::setSite(HttpTestServer::closedSite());

        QCOMPARE(f.d->isUpdateAvailable(), expected);
        QVERIFY(!f.d->mCheckForUpdatePanel->isVisible());
        if (reachable)
            QCOMPARE(f.server.requests().value(0), pagePath);
    }

    void siteAddress_data()
    {
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("expected"); // empty: no usable address
        QTest::newRow("scheme and host")
            << "https://example.org" << QString(QStringLiteral("https://example.org") + pagePath);
        QTest::newRow("trailing slash")
            << "http://127.0.0.1:8/" << QString(QStringLiteral("http://127.0.0.1:8") + pagePath);
        QTest::newRow("not an address") << "not a site" << QString();
    }

    void siteAddress()
    {
        QFETCH(QString, site);
        QFETCH(QString, expected);
        TestEnvironment environment(1000.0);
        UpdateSite::setSite(site);
        const QUrl address = UpdateSite::address(UpdateSite::versionPagePath);
        QCOMPARE(address.isValid() ? address.toString() : QString(), expected);
    }

    void redirectRule_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("https to https") << "https://a.org/x"
                                        << "https://b.org/y" << true;
        QTest::newRow("https to http") << "https://a.org/x"
                                       << "http://a.org/x" << false;
        QTest::newRow("http to https") << "http://a.org/x"
                                       << "https://a.org/x" << true;
        QTest::newRow("http to http") << "http://a.org/x"
                                      << "http://a.org/y" << true;
        QTest::newRow("https to file") << "https://a.org/x"
                                       << "file:///etc/passwd" << false;
    }

    void redirectRule()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, allowed);
        QCOMPARE(HttpFetch::isRedirectAllowed(QUrl(from), QUrl(to)), allowed);
    }

    void checkForUpdate_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<bool>("returnCloses");

        const QString local = QString::fromLatin1(localToken);
        QTest::newRow("unreadable") << page("", 500) << unreadableTitle << unreadableDetail << true;
        QTest::newRow("up to date") << page(localToken + " (57)") << upToDateTitle
                                    << QString(QStringLiteral("\r\n\r\nYour current version is ") + local +
                                               QStringLiteral(". No new version is available."))
                                    << true;
        QTest::newRow("older version published")
            << page("v0.9.0 (12)") << newVersionTitle
            << QString(QStringLiteral("\r\n\r\nSleevelight v0.9.0 is available. You have ") + local + u'.')
            << false;
        QTest::newRow("empty version")
            << page("") << newVersionTitle
            << QString(QStringLiteral("\r\n\r\nSleevelight  is available. You have ") + local + u'.')
            << false;
    }

    void checkForUpdate()
    {
        QFETCH(Route, route);
        QFETCH(QString, title);
        QFETCH(QString, detail);
        QFETCH(bool, returnCloses);
        Fixture f;
        f.server.setRoute(pagePath, route);
        // Whatever an earlier report left in the panel is replaced, not added to.
        f.d->mUpdateDescription->setText(QStringLiteral("left over"));

        f.d->checkForUpdate(nullptr);

        Panel* panel = f.d->mCheckForUpdatePanel;
        QVERIFY(panel->isVisible());
        const QList<TextRun> runs = f.d->mUpdateDescription->attributedText();
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs[0].text, title);
        QCOMPARE(runs[1].text, detail);
        QVERIFY(runs[0].font && runs[1].font);
        QCOMPARE(runs[0].font->pointSizeF(), 13.0);
        QCOMPARE(runs[1].font->pointSizeF(), 11.0);
        QCOMPARE(f.d->mUpdateDone->isDefault(), returnCloses);
        QCOMPARE(f.d->mUpdateDownload->isVisible(), !returnCloses);

        // Return is the Done button's key only when there is nothing to download.
        QTest::keyClick(panel, Qt::Key_Return);
        QCOMPARE(panel->isVisible(), !returnCloses);
        f.d->checkForUpdateDone(nullptr);
        QVERIFY(!panel->isVisible());
    }

    void secondCheckWhileOneRunsDoesNothing()
    {
        Fixture f;
        f.server.setRoute(pagePath, Route{200, {}, Mode::Silent, {}});
        bool saveAsked = false;
        SavePanel::setRunner([&](const SavePanel&) {
            saveAsked = true;
            return std::nullopt;
        });
        int answer = 0;
        QTimer::singleShot(100, [&] {
            f.d->checkForUpdate(nullptr);
            f.d->checkForUpdateDownload(nullptr);
            answer = f.d->isUpdateAvailable();
        });

        f.d->checkForUpdate(nullptr);

        QCOMPARE(f.server.requests().size(), 1);
        QVERIFY(!saveAsked);
        QCOMPARE(answer, -1);
        QCOMPARE(f.reportTitle(), unreadableTitle);
        // Once it is over, the next check runs.
        f.server.setRoute(pagePath, page(localToken));
        f.d->checkForUpdate(nullptr);
        QCOMPARE(f.reportTitle(), upToDateTitle);
    }

    void downloadSucceeds()
    {
        Fixture f;
        f.offerNewVersion();
        const QByteArray image = payload(3 * 1024 * 1024 + 17);
        f.server.setRoute(imagePath, page(image));
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath(QStringLiteral("Sleevelight.dmg")), "an older image"));

        std::optional<SavePanel> asked;
        SavePanel::setRunner([&](const SavePanel& panel) {
            asked = panel;
            return std::optional<QString>(folder.filePath(QStringLiteral("Another name.dmg")));
        });
        f.d->checkForUpdateDownload(nullptr);

        QVERIFY(asked);
        QCOMPARE(asked->directory,
                 QStandardPaths::standardLocations(QStandardPaths::DownloadLocation).value(0));
        QCOMPARE(asked->message, QStringLiteral("Save to ..."));
        QCOMPARE(asked->nameFieldStringValue, QStringLiteral("Sleevelight"));
        QCOMPARE(asked->allowedFileTypes, QStringList{QStringLiteral("dmg")});
        QVERIFY(asked->canCreateDirectories);
        QVERIFY(!asked->allowsOtherFileTypes);

        QCOMPARE(f.server.requests().last(), imagePath);
        // The image's own name, not the typed one; nothing else left in the folder.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Sleevelight.dmg")});
        QVERIFY(readFile(folder.filePath(QStringLiteral("Sleevelight.dmg"))) == image);
        QVERIFY(!f.d->mCheckForUpdatePanel->isVisible());
    }

    void downloadFails_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QString>(
            "chosen"); // relative to a fresh folder; "-" for a confirmed panel without a file
        QTest::addColumn<qint64>("cap");

        const QByteArray image = payload(512 * 1024);
        const qint64 noCap = UpdateSite::Limits().diskImageMaxBytes;
        QTest::newRow("folder that is a file") << page(image) << "plain file/Sleevelight" << noCap;
        QTest::newRow("no file chosen") << page(image) << "-" << noCap;
        QTest::newRow("error status") << page("not found", 404) << "Sleevelight" << noCap;
        QTest::newRow("connection cut short")
            << Route{200, image, Mode::Truncate, {}} << "Sleevelight" << noCap;
        QTest::newRow("server falls silent") << Route{200, image, Mode::Stall, {}} << "Sleevelight" << noCap;
        QTest::newRow("image beyond the cap") << page(image) << "Sleevelight" << qint64(image.size() - 1);
        QTest::newRow("redirect to another scheme")
            << Route{301, {}, Mode::Normal, "ftp://127.0.0.1/Sleevelight.dmg"} << "Sleevelight" << noCap;
    }

    void downloadFails()
    {
        QFETCH(Route, route);
        QFETCH(QString, chosen);
        QFETCH(qint64, cap);
        Fixture f;
        f.offerNewVersion();
        f.server.setRoute(imagePath, route);
        UpdateSite::Limits limits = UpdateSite::limits();
        limits.diskImageMaxBytes = cap;
        UpdateSite::setLimits(limits);

        QTemporaryDir folder;
        const QString existing = folder.filePath(QStringLiteral("Sleevelight.dmg"));
        QVERIFY(writeFile(existing, "the image downloaded last time"));
        QVERIFY(writeFile(folder.filePath(QStringLiteral("plain file")), "not a folder"));
        SavePanel::setRunner([&](const SavePanel&) {
            return std::optional<QString>(chosen == QLatin1String("-") ? QString() : folder.filePath(chosen));
        });

        f.d->checkForUpdateDownload(nullptr);

        QCOMPARE(f.reportTitle(), downloadErrorTitle);
        QCOMPARE(f.reportDetail(), downloadErrorDetail);
        QVERIFY(f.d->mCheckForUpdatePanel->isVisible());
        QVERIFY(f.d->mUpdateDownload->isVisible());
        QVERIFY(f.d->mUpdateDownload->isEnabled());
        QVERIFY(!f.d->mUpdateDone->isDefault());
        // Nothing half-written, and nothing that was there lost.
        QStringList entries =
            QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
        entries.sort();
        QCOMPARE(entries, (QStringList{QStringLiteral("Sleevelight.dmg"), QStringLiteral("plain file")}));
        QCOMPARE(readFile(existing), QByteArray("the image downloaded last time"));
    }

    void cancelledSavePanelClosesTheUpdatePanel()
    {
        Fixture f;
        f.offerNewVersion();
        f.server.setRoute(imagePath, page("image"));
        SavePanel::setRunner([](const SavePanel&) { return std::nullopt; });

        f.d->checkForUpdateDownload(nullptr);

        QVERIFY(!f.d->mCheckForUpdatePanel->isVisible());
        QVERIFY(!f.server.requests().contains(imagePath));
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
        TestEnvironment environment(1000.0);
        HttpTestServer server;
        server.setRoute(pagePath, route);
        UpdateSite::setSite(reachable ? server.site() : HttpTestServer::closedSite());
        std::unique_ptr<Application> application = launchApplication();
        AppDelegate* d = application->delegate();
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
