// Prints how long the display's costly steps take; it checks nothing and never fails.
//   dbus-run-session -- build/tests/display/bench_display

#include "tests/support/pictures.h"
#include "tests/support/testenvironment.h"

#include "platform/image.h"
#include "platform/views/fadeoverlay.h"
#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/textfield.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

// Median of a few runs, in milliseconds.
double timed(const std::function<void()>& work, int runs = 5)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times << timer.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QByteArray photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(30, 60, 160));
    gradient.setColorAt(1, QColor(220, 120, 40));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 200; ++i)
        painter.fillRect(QRect((i * 7919) % width, (i * 104729) % height, width / 20, height / 20),
                         QColor::fromHsv(i * 37 % 360, 200, 200));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

void report(const char* what, double ms)
{
    std::printf("%-62s %9.2f ms\n", what, ms);
}

void count(const char* what, int count, int expected)
{
    std::printf("%-62s %9d      (%d expected)\n", what, count, expected);
}

} // namespace

int main(int argc, char** argv)
{
    // Offscreen, on a screen as large as the largest window measured.
    QTemporaryDir folder;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        const QString screens = folder.filePath(u"screens.json"_s);
        QFile file(screens);
        if (file.open(QIODevice::WriteOnly))
            file.write(R"({"screens": [{"name": "large", "x": 0, "y": 0, "width": 3840, "height": 2160,)"
                       R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        file.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens));
    }
    QApplication app(argc, argv);

    const QByteArray big = photo(4000, 4000);
    std::printf("artwork: 4000 x 4000 JPEG, %lld bytes; screen 1920 x 1080\n", qint64(big.size()));
    // Every run gets bytes of its own, so that no run finds the picture already made.
    int fresh = 0;
    const auto freshBytes = [&] {
        return big + QByteArray::number(++fresh);
    };
    report("header only (Image::fromData)", timed([&] {
               const QByteArray bytes = freshBytes();
               Image::fromData(bytes);
           }));
    report("full decode (QImage::loadFromData), for comparison", timed([&] {
               QImage image;
               image.loadFromData(big);
           }));
    report("decode at the size shown, 1080 x 1080 (Image::decoded)", timed([&] {
               Image::fromData(freshBytes()).decoded({1080, 1080});
           }));
    const Image cached = Image::fromData(big);
    cached.decoded({1080, 1080});
    report("the same picture shown again (cached)", timed([&] { cached.decoded({1080, 1080}); }));

    TestApplication f;
    f.setWindowSize(1920, 1080);
    AppDelegate* d = f.d;
    int track = 0;
    report("full refresh, new track with a 4000 x 4000 artwork", timed([&] {
               f.play(u"Track %1"_s.arg(++track), QList<QByteArray>{big + QByteArray(track, 0)});
               d->mWindow->repaint();
           }));
    report("full refresh, same track, nothing changed", timed([&] {
               d->updateTrackInfo();
               d->mWindow->repaint();
           }));

    const QString words = u"An Exceedingly Long Name That Goes On and On Past Any Reasonable Width "_s;
    f.bridge->playTrack(words.repeated(2), words.repeated(2), words.repeated(2));
    report("full refresh, same track, long texts set smaller to fit", timed([&] {
               d->updateTrackInfo();
               d->mWindow->repaint();
           }));

    // Work that must not be done again: decoding a picture shown a moment ago, blurring an
    // unchanged name, redrawing the name for a tick of the elapsed time.
    const QList<QByteArray> two{photo(900, 900), photo(901, 900)};
    f.play(u"Two pictures"_s, two);
    d->mWindow->repaint();
    d->showNextArtworkImage(true);
    d->mWindow->repaint();
    int decodes = Image::decodeCount();
    d->showNextArtworkImage(true);
    d->mWindow->repaint();
    count("decodes when cycling back to the picture before", Image::decodeCount() - decodes, 0);
    const QByteArray third = photo(902, 900);
    decodes = Image::decodeCount();
    Image::fromData(third).decoded({600, 600});
    Image::fromData(third).decoded({600, 600});
    count("decodes of one picture asked for twice at one size", Image::decodeCount() - decodes, 1);
    const int blurs = d->mTrackName->renderCount() + d->mTrackName2->renderCount();
    d->updateTrackInfo();
    d->mWindow->repaint();
    count("blurs of the name on a refresh that changed nothing",
          d->mTrackName->renderCount() + d->mTrackName2->renderCount() - blurs, 0);

    TextField* name = d->mTrackName->isVisible() ? d->mTrackName : d->mTrackName2;
    report("repaint of the shadowed track name (kept drawing)", timed([&] { name->repaint(); }, 21));
    report("first drawing of the shadowed track name (blur)", timed([&] {
               name->setPreferredMaxLayoutWidth(name->preferredMaxLayoutWidth() + 1);
               name->repaint();
           }));
    int second = 0;
    report("elapsed time tick (text and bar, repaint of what changed)",
           timed(
               [&] {
                   ++second;
                   d->setTrackElapsed(u"1:%1"_s.arg(second % 60, 2, 10, QLatin1Char('0')));
                   d->setTrackProgress(0.25 + second / 1000.0);
                   QCoreApplication::processEvents();
                   d->mWindow->repaint(d->mTrackProgressElapsed->geometry());
               },
               21));

    // A track change to a picture already shown, with the crossfade of the whole track and
    // without, and the frames of the crossfade, at two sizes of screen.
    // The window shown, as a fade draws over what the window shows.
    d->mWindow->show();
    if (!QTest::qWaitForWindowExposed(d->mWindow))
        std::printf("the window was not shown; the crossfade's figures are not its own\n");
    const QList<QByteArray> shown{photo(1200, 1200)};
    for (const QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        f.setWindowSize(size.width(), size.height());
        QTest::qWait(50);
        const QString at = u"%1 x %2"_s.arg(size.width()).arg(size.height());
        for (const bool transitions : {true, false}) {
            d->setLivePreference(u"transitions"_s, transitions);
            report(qPrintable(u"track change, artwork shown, transitions %1, %2"_s.arg(
                       transitions ? u"on"_s : u"off"_s, at)),
                   timed([&] {
                       f.play(u"Track %1"_s.arg(++track), shown);
                       d->mWindow->repaint();
                   }));
        }
        d->setLivePreference(u"transitions"_s, true);
        f.play(u"Track %1"_s.arg(++track), shown);
        d->mWindow->repaint();
        const auto* overlay = d->mView->findChild<FadeOverlay*>();
        QList<double> frames;
        while (overlay != nullptr && overlay->isFading()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QElapsedTimer frame;
            frame.start();
            d->mView->repaint();
            frames << frame.nsecsElapsed() / 1e6;
        }
        std::sort(frames.begin(), frames.end());
        report(qPrintable(u"slowest crossfade frame, %1 (of %2)"_s.arg(at).arg(frames.size())),
               frames.isEmpty() ? -1.0 : frames.constLast());
        report(qPrintable(u"median crossfade frame, %1"_s.arg(at)),
               frames.isEmpty() ? -1.0 : frames.at(frames.size() / 2));
    }
    return 0;
}
