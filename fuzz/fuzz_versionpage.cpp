// The version page's body, as any server may answer it, read into the version it offers.
// Input: the body's bytes.

#include "fuzz/fuzzinput.h"
#include "update/updatesite.h"

using namespace sleevelight;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QString> text = UpdateSite::pageText(body);
    if (!text)
        return 0;
    // Valid UTF-8 reads as the same bytes, less a byte order mark.
    FUZZ_ASSERT(text->toUtf8() == (body.startsWith("\xEF\xBB\xBF") ? body.mid(3) : body));
    const QString token = UpdateSite::versionToken(*text);
    // The first word of the text, without the white space around it.
    const QString trimmed = text->trimmed();
    FUZZ_ASSERT(!token.contains(u' ') && token == token.trimmed() && trimmed.startsWith(token));
    FUZZ_ASSERT(token.size() == trimmed.size() || trimmed.at(token.size()).isSpace());
    return 0;
}
