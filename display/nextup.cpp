#include "display/nextup.h"

#include "app/appdelegate.h"
#include "display/utility.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "player/itunesbridgeprotocol.h"
#include "player/titles.h"
#include "player/values.h"

#include <QFontMetricsF>

using namespace Qt::StringLiterals;

namespace sleevelight {

NextUpLine::NextUpLine(AppDelegate& app) : DisplayFeature(app)
{
    // In each text stack, right under the progress.
    const std::pair<StackView*, QWidget*> places[] = {
        {app.mTrackStackViewRight, app.mTrackStackProgressRight},
        {app.mTrackStackViewLeft, app.mTrackStackProgressLeft},
        {app.mTrackStackViewWide, app.mTrackStackProgressWide},
    };
    for (const auto& [stack, progress] : places) {
        auto* line = new TextField(stack);
        line->setObjectName(u"nextUp"_s);
        line->hide();
        stack->insertArrangedSubview(int(stack->arrangedSubviews().indexOf(progress)) + 1, line);
        m_lines << line;
    }
}

bool NextUpLine::isShown() const
{
    return app.livePreferences().showNextUp && !m_text.isEmpty();
}

void NextUpLine::trackInfoUpdated(bool)
{
    QString text;
    if (const std::optional<QVariantMap> next = app.iTunesBridge->nextTrackInfo()) {
        QString name = stringFor(*next, BridgeKey::trackName).toString();
        const QString artist = stringFor(*next, BridgeKey::trackArtist).toString();
        if (app.livePreferences().cleanUpTitles)
            name = titles::cleanTitle(name);
        if (!name.isEmpty())
            text = artist.isEmpty() ? QString(u"Next: "_s + name)
                                    : QString(u"Next: "_s + name + u" \u2014 "_s + artist);
    }
    if (text == m_text)
        return;
    const bool wasShown = isShown();
    m_text = text;
    setLineTexts();
    if (isShown() != wasShown)
        app.showTrackRows();
}

void NextUpLine::trackRowsShown()
{
    for (TextField* line : std::as_const(m_lines))
        line->setVisible(isShown());
    setLineTexts();
}

bool NextUpLine::keyPressed(KeyCommand command)
{
    if (command != KeyCommand::NextUp)
        return false;
    const bool shown = app.flipStoredPreference(&Preferences::showNextUp);
    app.showAlertInfo(shown ? showText : hideText);
    app.showTrackRows();
    app.updateViewItems();
    return true;
}

void NextUpLine::textWidthSet(double width, bool onWidePicture)
{
    (onWidePicture ? m_wideWidth : m_sideWidth) = width;
    setLineTexts();
}

void NextUpLine::trackTextStyled(float aRatio)
{
    if (m_lines.size() != 3)
        return;
    // As small as the numbers, and dimmer than anything else of the track.
    const double side = double(app.maxFontSize() * aRatio * AppDelegate::numbersFontRatio1);
    const double wide = double(app.maxFontSize() * aRatio * AppDelegate::numbersFontRatio3);
    const QColor dim = QColor::fromRgbF(0.6f, 0.6f, 0.6f, 1.0f);
    const bool rightToLeft = app.trackName().toString().isRightToLeft();
    Utility::styleTextField(m_lines[0],
                            {.font = app.albumFont(),
                             .size = side,
                             .color = dim,
                             .shadow = true,
                             .alignment = rightToLeft ? TextAlignment::Right : TextAlignment::Left});
    Utility::styleTextField(m_lines[1], {.font = app.albumFont(),
                                         .size = side,
                                         .color = dim,
                                         .shadow = true,
                                         .alignment = TextAlignment::Right});
    Utility::styleTextField(m_lines[2], {.font = app.albumFont(),
                                         .size = wide,
                                         .color = dim,
                                         .shadow = true,
                                         .alignment = TextAlignment::Right});
    setLineTexts();
}

void NextUpLine::setLineTexts()
{
    // Every layout and every step of the text's fitting come here: a line not shown costs nothing.
    if (!isShown())
        return;
    for (qsizetype at = 0; at < m_lines.size(); ++at) {
        TextField* line = m_lines[at];
        const double width = at == 2 ? m_wideWidth : m_sideWidth;
        const std::optional<QFont> font = line->fieldFont();
        // One line: what does not fit ends in an ellipsis.
        line->setText(width > 0.0 && font ? QFontMetricsF(*font).elidedText(m_text, Qt::ElideRight, width)
                                          : m_text);
    }
}

} // namespace sleevelight
