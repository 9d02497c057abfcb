#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

namespace sleevelight {

// Connects what the interface files declare on their views and actions to a model object:
//
//   bind        = "trackName"       the model property the view shows (and edits, for controls)
//   bind        = "preference:key"  one of the model's keyed values (preference, setPreference and
//                                   preferenceChanged), for a value without a property of its own
//   bindTarget  = "text"            the view property it goes into, when not the view's usual one
//   transformer = "SomeTransformer" a registered one-way conversion on the way to the view
//   action      = "playPause:"      the model operation a click or trigger calls, with the sender
class Binder
{
public:
    // Returns one line per declaration that names a property or operation the model lacks.
    static QStringList connect(QObject* model, const QList<QObject*>& roots);
};

} // namespace sleevelight
