#pragma once

#include <QString>
#include <QStringList>

namespace sleevelight {

using namespace Qt::StringLiterals;

// The application object's layout and text constants: margins, spacings, wrap lengths and the
// font ratios of the three text stacks, and the glyphs of the heart and the stars.
struct DisplayConstants
{
    static constexpr double viewSafeMargin = 50.0;
    static constexpr float defaultFontSize = 72.0f;
    static constexpr float trackInfoSpacing = 40.0f;
    static constexpr float trackInfoTopSpacing = 50.0f;
    static constexpr float trackInfoLRSpacing = 35.0f;
    static constexpr int nameWrapLength = 24;
    static constexpr int albumWrapLength = 40;
    static constexpr int artistWrapLength = 32;
    static constexpr float albumFontRatio1 = 0.67f;
    static constexpr float artistFontRatio1 = 0.75f;
    static constexpr float numbersFontRatio1 = 0.5f;
    static constexpr float nameFontRatio2 = 0.83f;
    static constexpr float albumFontRatio2 = 0.55f;
    static constexpr float artistFontRatio2 = 0.67f;
    static constexpr float nameFontRatio3 = 0.55f;
    static constexpr float albumFontRatio3 = 0.33f;
    static constexpr float numbersFontRatio3 = 0.25f;
    static constexpr float artistFontRatio3 = 0.42f;
    static constexpr float trackDurationRatio3 = 0.28f;
    // The smallest the fitting makes the name: this share of the display's height.
    static constexpr double textFloorShare = 0.025;
    const QStringList charLoved = {u"\u2661"_s, u"\u2665"_s};
    const QStringList charStar = {u"\u2606"_s, u"\u2605"_s};
};

} // namespace sleevelight
