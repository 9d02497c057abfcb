#pragma once

#include <QSizeF>

namespace sleevelight {

// Where the artwork goes on this display: beside the text (landscape screens), across the
// whole display with the text on it (a wide picture on a landscape screen), or across the top
// with the text below (tall screens, and near-square ones where that leaves it larger).
enum class Arrangement
{
    Side,
    Wide,
    Top,
};

struct ArtworkPlace
{
    Arrangement arrangement = Arrangement::Side;
    QSizeF size; // of the artwork view
};

} // namespace sleevelight
