#include "display/displayfeature.h"

#include "app/appdelegate.h"

namespace sleevelight {

DisplayFeature::DisplayFeature(AppDelegate& app) : QObject(&app), app(app) {}

} // namespace sleevelight
