#include "app/playbuttonnametransformer.h"

#include "app/playerstate.h"
#include "platform/valuetransformer.h"

QVariant PlayButtonNameTransformer::transformedValue(const QVariant& value)
{
    static const QString play = QStringLiteral("Play");
    static const QString pause = QStringLiteral("Pause");
    if (value.metaType() == QMetaType::fromType<PlayerState>())
        return value.value<PlayerState>() == PlayerState::playing ? pause : play;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return value.toLongLong() == 2 ? pause : play;
    default:
        // Not an integer (a text, a fraction, nothing): the control offers to play.
        return play;
    }
}

void PlayButtonNameTransformer::registerTransformer()
{
    sleevelight::ValueTransformers::registerTransformer(name, &PlayButtonNameTransformer::transformedValue);
}
