// The look of the track text, the heart and the stars.

#include "app/appdelegate.h"

#include "display/utility.h"
#include "platform/fonts.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"
#include "player/values.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// Which rows of the text stacks show, whoever showed them: the fitting is for one set of rows.
QString shownRowsOf(std::initializer_list<const StackView*> stacks)
{
    QString shown;
    for (const StackView* stack : stacks)
        if (stack != nullptr)
            for (const QWidget* row : stack->arrangedSubviews())
                shown += row->isHidden() ? u'0' : u'1';
    return shown;
}

// The length of a text as the thresholds count it, in UTF-16 code units; no text counts 0.
qsizetype textLength(const QVariant& text)
{
    return text.toString().size();
}

// The whole stars a rating fills: its integer value / 20, never more than the five drawn.
int filledStars(const QVariant& rating)
{
    return int(std::clamp<qint64>(truncatedInteger(rating) / 20, 0, 5));
}

} // namespace

void AppDelegate::updateViewItems()
{
    // A name in a right-to-left script sets the flush-left stack flush right, all its lines alike.
    const Qt::LayoutDirection direction =
        trackName().toString().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    mTrackStackViewRight->setLayoutDirection(direction);
    // Time runs left to right on the bar whatever the script.
    mTrackStackProgressRight->setLayoutDirection(Qt::LeftToRight);
    alignNumbersAndRatings();
    refreshLovedAndRating();
    applyTrackInfoWithAttribute(windowSizeRatio);
    fitTrackInfoToView();
    applyArtworkImageWithHolder();
    applyVinylImage();
    tellFeatures(&DisplayFeature::viewItemsUpdated);
}

void AppDelegate::refreshLovedAndRating()
{
    drawHeart(isNumberTrue(trackLoved()));
    drawRating();
}

void AppDelegate::drawRating()
{
    const int filled = filledStars(trackRating());
    for (int position = 1; position <= 5; ++position)
        drawStar(position, position <= filled);
}

// The glyphs' size follows the numbers' text: half the largest font size, at the window's scale.
TextStyle AppDelegate::glyphStyle(const QColor& color) const
{
    return {.size = double(maxFontSize() * 0.5f * windowSizeRatio), .color = color, .shadow = true};
}

void AppDelegate::drawHeart(bool loved)
{
    const TextStyle style = glyphStyle(loved ? Utility::redColor() : Utility::grayColor());
    for (TitleButton* heart : {mTrackLovedRight.data(), mTrackLovedLeft.data()})
        Utility::styleButtonTitle(heart, loved ? charLoved[1] : charLoved[0], style);
}

void AppDelegate::drawStar(int position, bool filled)
{
    const TextStyle style = glyphStyle(filled ? Utility::starColor() : Utility::grayColor());
    for (const auto& stars : {mTrackRatingRight, mTrackRatingLeft}) {
        if (!stars || position < 1 || position > stars->size())
            continue;
        Utility::styleButtonTitle((*stars)[position - 1], filled ? charStar[1] : charStar[0], style);
    }
}

void AppDelegate::alignNumbersAndRatings()
{
    // The row's width as its layout gives it, also while it is hidden.
    double ratingsWidth = mTrackStackRatingsRight->sizeHint().width();
    const float numbersSize = maxFontSize() * windowSizeRatio * 0.5f;
    const std::optional<QFont> numbersFont = mTrackNumbers->fieldFont();
    const QString numbersFontName = numbersFont ? FontManager::fontName(*numbersFont) : u"Arial"_s;
    const double currentSize = numbersFont ? FontManager::size(*numbersFont) : double(maxFontSize());
    if (currentSize > 0)
        ratingsWidth = ratingsWidth * double(numbersSize) / currentSize;
    const double available = m_textRowWidth;
    double numbersWidth = 0.0;
    if (const std::optional<QFont> font = FontManager::fontWithName(numbersFontName, double(numbersSize)))
        numbersWidth = QFontMetricsF(*font).horizontalAdvance(trackNumbers().toString());
    const double needed = ratingsWidth + numbersWidth;

    if (needed > available && currentNumbersRatingsOrientation == 0) {
        mTrackStackNumbersRatingsLeft->setOrientation(StackView::Vertical);
        mTrackStackNumbersRatingsLeft->setStackAlignment(int(LayoutAttribute::Right));
        mTrackStackNumbersRatingsRight->setOrientation(StackView::Vertical);
        mTrackStackNumbersRatingsRight->setStackAlignment(int(LayoutAttribute::Left));
        moveFirstArrangedViewToEnd(mTrackStackNumbersRatingsLeft);
        currentNumbersRatingsOrientation = 1;
    } else if (needed <= available && currentNumbersRatingsOrientation == 1) {
        mTrackStackNumbersRatingsLeft->setOrientation(StackView::Horizontal);
        mTrackStackNumbersRatingsRight->setOrientation(StackView::Horizontal);
        moveFirstArrangedViewToEnd(mTrackStackNumbersRatingsLeft);
        currentNumbersRatingsOrientation = 0;
    }
}

void AppDelegate::applyTrackInfoWithAttribute(float aRatio)
{
    const float baseSize = maxFontSize() * aRatio;
    const float nameSize = textLength(trackName()) >= nameWrapLength ? baseSize * nameFontRatio2 : baseSize;
    const float albumSize =
        textLength(trackAlbum()) >= albumWrapLength ? baseSize * albumFontRatio2 : baseSize * albumFontRatio1;
    const float artistSize = textLength(trackArtist()) >= artistWrapLength ? baseSize * artistFontRatio2
                                                                           : baseSize * artistFontRatio1;
    const float numbersSize = baseSize * numbersFontRatio1;
    const QString helvetica = u"Helvetica"_s;
    constexpr auto right = TextAlignment::Right;
    constexpr auto left = TextAlignment::Left;

    Utility::styleTextField(mTrackName, {.font = nameFont(), .size = double(nameSize), .shadow = true});
    Utility::styleTextField(
        mTrackName2, {.font = nameFont(), .size = double(nameSize), .shadow = true, .alignment = right});
    Utility::styleTextField(mTrackAlbum, {.font = albumFont(), .size = double(albumSize), .shadow = true});
    Utility::styleTextField(
        mTrackAlbum2, {.font = albumFont(), .size = double(albumSize), .shadow = true, .alignment = right});
    Utility::styleTextField(mTrackArtist, {.font = artistFont(), .size = double(artistSize), .shadow = true});
    Utility::styleTextField(
        mTrackArtist2,
        {.font = artistFont(), .size = double(artistSize), .shadow = true, .alignment = right});
    Utility::styleTextField(mTrackNumbers,
                            {.font = albumFont(), .size = double(numbersSize), .shadow = true});
    Utility::styleTextField(mTrackNumbers2,
                            {.font = albumFont(), .size = double(numbersSize), .shadow = true});
    Utility::styleTextField(mTrackProgressElapsed, {.font = helvetica, .size = double(numbersSize)});
    Utility::styleTextField(mTrackProgressDuration,
                            {.font = helvetica, .size = double(numbersSize), .alignment = right});
    Utility::styleTextField(mTrackProgressElapsed2, {.font = helvetica, .size = double(numbersSize)});
    Utility::styleTextField(mTrackProgressDuration2,
                            {.font = helvetica, .size = double(numbersSize), .alignment = right});
    Utility::styleTextField(
        mTrackName3,
        {.font = nameFont(), .size = double(baseSize * nameFontRatio3), .shadow = true, .alignment = right});
    Utility::styleTextField(mTrackAlbum3, {.font = albumFont(),
                                           .size = double(baseSize * albumFontRatio3),
                                           .shadow = true,
                                           .alignment = right});
    Utility::styleTextField(mTrackArtist3, {.font = artistFont(),
                                            .size = double(baseSize * artistFontRatio3),
                                            .shadow = true,
                                            .alignment = right});
    Utility::styleTextField(mTrackNumbers3, {.font = albumFont(),
                                             .size = double(baseSize * numbersFontRatio3),
                                             .shadow = true,
                                             .alignment = right});
    Utility::styleTextField(mTrackProgressElapsed3,
                            {.size = double(baseSize * trackDurationRatio3), .alignment = right});
    Utility::styleTextField(mTrackProgressDuration3,
                            {.size = double(baseSize * trackDurationRatio3), .alignment = left});
    tellFeatures(&DisplayFeature::trackTextStyled, aRatio);
}

void AppDelegate::fitTrackInfoToView()
{
    // Long names wrap onto many lines, and a long word may be wider than its column; rather than
    // let the text run off the screen or break a word, every text takes the largest smaller scale
    // at which the shown stack fits, down to a floor still readable across a room (the name a
    // fortieth of the display's height). Past the floor a word too wide ends in an ellipsis.
    const double viewHeight = mView->height();
    const double margin = double(trackInfoTopSpacing * windowSizeRatio);
    struct Room
    {
        StackView* stack;
        double top;
        double bottom;
    };
    // The wide stack stands on the picture's bottom edge, 40 above it.
    const double pictureTop = m_arrangement == Arrangement::Wide ? m_picture.top() : 0.0;
    const Room rooms[] = {{mTrackStackViewRight, m_textTop, margin},
                          {mTrackStackViewLeft, m_textTop, margin},
                          {mTrackStackViewWide, pictureTop + margin, pictureTop + 40.0 * windowSizeRatio}};
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
            const double available = viewHeight - room.top - room.bottom;
            const double needed = room.stack->sizeHint().height();
            if (available > 0 && needed > available)
                scale = std::min(scale, available / needed);
            for (const TextField* field : room.stack->findChildren<TextField*>())
                if (field->isVisibleTo(room.stack))
                    scale = std::min(scale, field->fitRatio());
        }
        return scale;
    };

    // The same texts in the same room fit at the scale found last time; no need to search again.
    const QStringList fitFor = {
        trackName().toString(),
        trackAlbum().toString(),
        trackArtist().toString(),
        trackNumbers().toString(),
        nameFont(),
        albumFont(),
        artistFont(),
        QString::number(maxFontSize()),
        QString::number(windowSizeRatio),
        QString::number(viewHeight),
        QString::number(m_textTop),
        QString::number(mTrackName->preferredMaxLayoutWidth()),
        QString::number(mTrackName3->preferredMaxLayoutWidth()),
        QString::number(mTrackStackViewRight->isHidden()),
        QString::number(mTrackStackViewLeft->isHidden()),
        QString::number(mTrackStackViewWide->isHidden()),
        QString::number(isShowAlbumName()),
        QString::number(isShowAlbumNumber()),
        QString::number(isShowRatings()),
        QString::number(isShowProgress()),
        QString::number(currentNumbersRatingsOrientation),
        shownRowsOf({mTrackStackViewRight, mTrackStackViewLeft, mTrackStackViewWide})};
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
    const float floor = std::min(windowSizeRatio, float(textFloorShare * viewHeight) / maxFontSize());
    float tooLarge = windowSizeRatio;
    float fitting = tooLarge;
    for (int pass = 0; pass < 4 && scale < 1.0 && fitting > floor; ++pass) {
        tooLarge = fitting;
        fitting = std::max(floor, fitting * float(scale) * 0.97f);
        applyTrackInfoWithAttribute(fitting);
        scale = overflow();
    }
    // Fewer lines at a smaller size often leave room: look for the largest scale that fits.
    for (int pass = 0; pass < 5 && scale >= 1.0; ++pass) {
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

} // namespace sleevelight
