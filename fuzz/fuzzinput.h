#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sleevelight::fuzz {

// Reads a fuzzer's bytes as a stream of small choices; past the end every read is zero.
class Input
{
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }

    uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }

    template <typename T> T number()
    {
        T value{};
        unsigned char raw[sizeof(T)] = {};
        for (unsigned char& b : raw)
            b = byte();
        std::memcpy(&value, raw, sizeof(T));
        return value;
    }

    // A length byte, 255 meaning a two-byte length follows, then that many bytes.
    QByteArray bytes()
    {
        size_t length = byte();
        if (length == 255)
            length = size_t(byte()) << 8 | byte();
        length = std::min(length, m_size - std::min(m_pos, m_size));
        const QByteArray result(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(length));
        m_pos += length;
        return result;
    }

    QString text() { return QString::fromUtf8(bytes()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A broken promise of the code under test: stop here, so the fuzzer keeps the input.
#define FUZZ_ASSERT(condition)                                                                               \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition);                             \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

} // namespace sleevelight::fuzz
