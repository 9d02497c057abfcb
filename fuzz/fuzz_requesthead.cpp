// The head of a request from the network, read before the HTTP server sees it, and judged by the
// remote's rules. Input: the bytes as a client sends them.

#include "fuzz/fuzzinput.h"
#include "remote/requesthead.h"

using namespace Qt::StringLiterals;

using namespace sleevelight;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    constexpr qsizetype maxHead = 8192;
    const HeadReading reading = readRequestHead(bytes, maxHead);
    if (reading.status != HeadReading::Status::Complete)
        return 0;
    const RequestHead& head = reading.head;
    FUZZ_ASSERT(head.size > 0 && head.size <= bytes.size() && head.size <= maxHead);
    FUZZ_ASSERT(head.contentLength >= 0);

    RemoteRules rules;
    rules.token = u"abc"_s;
    rules.hostNames = {u"localhost"_s, u"box"_s, u"box.local"_s};
    rules.addresses = {QHostAddress(u"192.168.1.20"_s)};
    const int verdict = rules.admit(head);
    FUZZ_ASSERT(verdict == 0 || verdict == 401 || verdict == 403 || verdict == 404 || verdict == 405 ||
                verdict == 411 || verdict == 413 || verdict == 421);
    // What is let through is one of the routes, for this machine, within the bounds, and carries the
    // token where the route asks for it.
    if (verdict == 0) {
        FUZZ_ASSERT(RemoteRules::isPagePath(head.path) || RemoteRules::needsToken(head.path));
        FUZZ_ASSERT(rules.isOwnHost(head.header("host")));
        FUZZ_ASSERT(head.contentLength <= RemoteRules::maxBody && !head.chunked);
        FUZZ_ASSERT(!RemoteRules::needsToken(head.path) || rules.carriesToken(head));
    }
    return 0;
}
