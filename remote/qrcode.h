#pragma once

#include <QByteArray>
#include <QImage>

namespace sleevelight {

// The text as a QR code (error correction M), one pixel a module, black on white with the quiet
// zone of four modules; null when the text does not fit in a code.
QImage qrCode(const QByteArray& text);

} // namespace sleevelight
