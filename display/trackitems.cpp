// The look of the track text, the heart and the stars.

#include "app/appdelegate.h"

#include "display/utility.h"
#include "platform/fonts.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

using namespace sleevelight;

namespace {

// The length of a text as the thresholds count it, in UTF-16 code units; no text counts 0.
qsizetype textLength(const QVariant& text)
{
    return text.toString().size();
}

// A number equal to true: 1 in any numeric form; an absent value or a string is not.
bool isNumberTrue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble() == 1.0;
    default:
        return false;
    }
}

// The whole stars a rating fills: its integer value / 20, never more than the five drawn.
int filledStars(const QVariant& rating)
{
    bool ok = false;
    const double value = rating.toDouble(&ok);
    if (!ok || !std::isfinite(value) || rating.typeId() == QMetaType::QString)
        return 0;
    const qint64 r = qint64(std::clamp(value, -1.0, 1000.0));
    if (r < 20)
        return 0;
    return int(std::min<qint64>(r / 20, 5));
}

} // namespace

void AppDelegate::updateViewItems()
{
    alignNumbersAndRatings();
    refreshLovedAndRating();
    applyTrackInfoWithAttribute(windowSizeRatio);
    fitTrackInfoToView();
    applyArtworkImageWithHolder();
    applyVinylImage();
}

void AppDelegate::refreshLovedAndRating()
{
    const float s = maxFontSize() * 0.5f * windowSizeRatio;
    const bool loved = isNumberTrue(trackLoved());
    const QString heart = loved ? charLoved[1] : charLoved[0];
    const QColor heartColor = loved ? Utility::redColor() : Utility::grayColor();
    Utility::styleButtonTitle(mTrackLovedRight, heart, std::nullopt, double(s), heartColor, true,
                              TextAlignment::Natural);
    Utility::styleButtonTitle(mTrackLovedLeft, heart, std::nullopt, double(s), heartColor, true,
                              TextAlignment::Natural);

    if (!mTrackRatingRight || !mTrackRatingLeft)
        return;
    for (int i = 0; i < 5; ++i) {
        Utility::styleButtonTitle(mTrackRatingRight->value(i), charStar[0], std::nullopt, double(s),
                                  Utility::grayColor(), true, TextAlignment::Natural);
        Utility::styleButtonTitle(mTrackRatingLeft->value(i), charStar[0], std::nullopt, double(s),
                                  Utility::grayColor(), true, TextAlignment::Natural);
    }
    const int k = filledStars(trackRating());
    for (int i = 0; i < k; ++i) {
        Utility::styleButtonTitle(mTrackRatingRight->value(i), charStar[1], std::nullopt, double(s),
                                  Utility::starColor(), true, TextAlignment::Natural);
        Utility::styleButtonTitle(mTrackRatingLeft->value(i), charStar[1], std::nullopt, double(s),
                                  Utility::starColor(), true, TextAlignment::Natural);
    }
}

void AppDelegate::alignNumbersAndRatings()
{
    // The row's width as its layout gives it, also while it is hidden.
    double w = mTrackStackRatingsRight->sizeHint().width();
    const float s = maxFontSize() * windowSizeRatio * 0.5f;
    const std::optional<QFont> numbersFont = mTrackNumbers->fieldFont();
    const QString numbersFontName =
        numbersFont ? FontManager::fontName(*numbersFont) : QStringLiteral("Arial");
    const double p = numbersFont ? FontManager::pointSize(*numbersFont) : double(maxFontSize());
    if (p > 0)
        w = w * double(s) / p;
    const double A = mView->width() - mArtworkView->width() - 2 * viewSafeMargin;
    double n = 0.0;
    if (const std::optional<QFont> font = FontManager::fontWithName(numbersFontName, double(s)))
        n = QFontMetricsF(*font).horizontalAdvance(trackNumbers().toString());
    const double N = w + n;

    if (N > A && currentNumbersRatingsOrientation == 0) {
        mTrackStackNumbersRatingsLeft->setOrientation(StackView::Vertical);
        mTrackStackNumbersRatingsLeft->setStackAlignment(int(LayoutAttribute::Right));
        mTrackStackNumbersRatingsRight->setOrientation(StackView::Vertical);
        mTrackStackNumbersRatingsRight->setStackAlignment(int(LayoutAttribute::Left));
        moveFirstArrangedViewToEnd(mTrackStackNumbersRatingsLeft);
        currentNumbersRatingsOrientation = 1;
    } else if (N <= A && currentNumbersRatingsOrientation == 1) {
        mTrackStackNumbersRatingsLeft->setOrientation(StackView::Horizontal);
        mTrackStackNumbersRatingsRight->setOrientation(StackView::Horizontal);
        moveFirstArrangedViewToEnd(mTrackStackNumbersRatingsLeft);
        currentNumbersRatingsOrientation = 0;
    }
}

void AppDelegate::applyTrackInfoWithAttribute(float aRatio)
{
    const float b = maxFontSize() * aRatio;
    const float nameSize = textLength(trackName()) >= nameWrapLength ? b * nameFontRatio2 : b;
    const float albumSize =
        textLength(trackAlbum()) >= albumWrapLength ? b * albumFontRatio2 : b * albumFontRatio1;
    const float artistSize =
        textLength(trackArtist()) >= artistWrapLength ? b * artistFontRatio2 : b * artistFontRatio1;
    const float numbersSize = b * numbersFontRatio1;
    const QString helvetica = QStringLiteral("Helvetica");
    constexpr auto unchanged = TextAlignment::Natural;
    constexpr auto right = TextAlignment::Right;
    constexpr auto left = TextAlignment::Left;
    const std::nullopt_t noColor = std::nullopt;

    Utility::styleTextField(mTrackName, nameFont(), double(nameSize), noColor, true, unchanged);
    Utility::styleTextField(mTrackName2, nameFont(), double(nameSize), noColor, true, right);
    Utility::styleTextField(mTrackAlbum, albumFont(), double(albumSize), noColor, true, unchanged);
    Utility::styleTextField(mTrackAlbum2, albumFont(), double(albumSize), noColor, true, right);
    Utility::styleTextField(mTrackArtist, artistFont(), double(artistSize), noColor, true, unchanged);
    Utility::styleTextField(mTrackArtist2, artistFont(), double(artistSize), noColor, true, right);
    Utility::styleTextField(mTrackNumbers, albumFont(), double(numbersSize), noColor, true, unchanged);
    Utility::styleTextField(mTrackNumbers2, albumFont(), double(numbersSize), noColor, true, unchanged);
    Utility::styleTextField(mTrackProgressElapsed, helvetica, double(numbersSize), noColor, false, unchanged);
    Utility::styleTextField(mTrackProgressDuration, helvetica, double(numbersSize), noColor, false, right);
    Utility::styleTextField(mTrackProgressElapsed2, helvetica, double(numbersSize), noColor, false,
                            unchanged);
    Utility::styleTextField(mTrackProgressDuration2, helvetica, double(numbersSize), noColor, false, right);
    Utility::styleTextField(mTrackName3, nameFont(), double(b * nameFontRatio3), noColor, true, right);
    Utility::styleTextField(mTrackAlbum3, albumFont(), double(b * albumFontRatio3), noColor, true, right);
    Utility::styleTextField(mTrackArtist3, artistFont(), double(b * artistFontRatio3), noColor, true, right);
    Utility::styleTextField(mTrackNumbers3, albumFont(), double(b * numbersFontRatio3), noColor, true, right);
    Utility::styleTextField(mTrackProgressElapsed3, std::nullopt, double(b * trackDurationRatio3), noColor,
                            false, right);
    Utility::styleTextField(mTrackProgressDuration3, std::nullopt, double(b * trackDurationRatio3), noColor,
                            false, left);
}

void AppDelegate::fitTrackInfoToView()
{
    // Long names wrap onto many lines; rather than let the artist and the progress run off the
    // screen, every text takes the largest smaller scale at which the shown stack fits.
    const double H = mView->height();
    const double margin = double(trackInfoTopSpacing * windowSizeRatio);
    struct Room
    {
        StackView* stack;
        double bottom;
    };
    // The wide stack stands on the bottom edge, 40 above it.
    const Room rooms[] = {
        {mTrackStackViewRight, margin}, {mTrackStackViewLeft, margin}, {mTrackStackViewWide, 40.0}};
    // How much the texts as they are now must shrink to fit: 1 when they fit.
    const auto overflow = [&] {
        double scale = 1.0;
        for (const Room& room : rooms) {
            if (room.stack->isHidden())
                continue;
            // The rows inside keep the sizes they had until the event loop comes round; measure now.
            for (QWidget* row : room.stack->findChildren<QWidget*>())
                if (row->layout() != nullptr)
                    row->updateGeometry();
            const double available = H - margin - room.bottom;
            const double needed = room.stack->sizeHint().height();
            if (available > 0 && needed > available)
                scale = std::min(scale, available / needed);
        }
        return scale;
    };

    // The same texts in the same room fit at the scale found last time; no need to search again.
    const QStringList fitFor = {trackName().toString(),
                                trackAlbum().toString(),
                                trackArtist().toString(),
                                trackNumbers().toString(),
                                nameFont(),
                                albumFont(),
                                artistFont(),
                                QString::number(maxFontSize()),
                                QString::number(windowSizeRatio),
                                QString::number(H),
                                QString::number(mTrackName->preferredMaxLayoutWidth()),
                                QString::number(mTrackStackViewRight->isHidden()),
                                QString::number(mTrackStackViewLeft->isHidden()),
                                QString::number(mTrackStackViewWide->isHidden()),
                                QString::number(isShowAlbumName()),
                                QString::number(isShowAlbumNumber()),
                                QString::number(isShowRatings()),
                                QString::number(isShowProgress()),
                                QString::number(currentNumbersRatingsOrientation)};
    if (fitFor == m_trackInfoFitFor) {
        if (m_trackInfoFitRatio < windowSizeRatio)
            applyTrackInfoWithAttribute(m_trackInfoFitRatio);
        return;
    }
    m_trackInfoFitFor = fitFor;
    m_trackInfoFitRatio = windowSizeRatio;

    double scale = overflow();
    if (scale >= 1.0)
        return;
    float tooLarge = windowSizeRatio;
    float fitting = tooLarge;
    for (int pass = 0; pass < 4 && scale < 1.0; ++pass) {
        tooLarge = fitting;
        fitting *= float(scale) * 0.97f;
        applyTrackInfoWithAttribute(fitting);
        scale = overflow();
    }
    // Fewer lines at a smaller size often leave room: look for the largest scale that fits.
    for (int pass = 0; pass < 5; ++pass) {
        const float middle = (fitting + tooLarge) / 2.0f;
        applyTrackInfoWithAttribute(middle);
        if (overflow() >= 1.0)
            fitting = middle;
        else
            tooLarge = middle;
    }
    applyTrackInfoWithAttribute(fitting);
    m_trackInfoFitRatio = fitting;
}

void AppDelegate::moveFirstArrangedViewToEnd(StackView* stack)
{
    const QList<QWidget*> views = stack->arrangedSubviews();
    if (views.isEmpty())
        return;
    stack->removeView(views.first());
    stack->addArrangedSubview(views.first());
}
