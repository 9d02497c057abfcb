#pragma once

#include <QString>
#include <QVariant>

namespace sleevelight {

using namespace Qt::StringLiterals;

// Turns a player-state number into the title of the play/pause control.
class PlayButtonNameTransformer
{
public:
    static inline const QString name = u"PlayButtonNameTransformer"_s;

    // "Pause" for the integer 2 (playing), "Play" for anything else, absent input included.
    static QVariant transformedValue(const QVariant& value);
    static bool allowsReverseTransformation() { return false; }

    // Makes the transformer known to the interface files' bindings under its name.
    static void registerTransformer();
};

} // namespace sleevelight
