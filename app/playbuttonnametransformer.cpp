#include "app/playbuttonnametransformer.h"

#include "app/playerstate.h"
#include "platform/valuetransformer.h"
#include "player/values.h"

using namespace Qt::StringLiterals;

namespace sleevelight {

QVariant PlayButtonNameTransformer::transformedValue(const QVariant& value)
{
    static const QString play = u"Play"_s;
    static const QString pause = u"Pause"_s;
    if (value.metaType() == QMetaType::fromType<PlayerState>())
        return value.value<PlayerState>() == PlayerState::playing ? pause : play;
    // A whole number 2 (playing) offers to pause; anything else (a text, a fraction, nothing) to play.
    return exactInteger(value) == 2 ? pause : play;
}

void PlayButtonNameTransformer::registerTransformer()
{
    ValueTransformers::registerTransformer(name, &PlayButtonNameTransformer::transformedValue);
}

} // namespace sleevelight
