#pragma once

#include <QList>
#include <QString>

#include <algorithm>

namespace sleevelight::lyrics {

// One line of a track's lyrics, and when it is sung (milliseconds into the track; -1 unsynchronised).
struct Line
{
    qint64 ms = -1;
    QString text;

    bool operator==(const Line&) const = default;
};

struct Lyrics
{
    // In the order they are sung; each carries its time when `synced`.
    QList<Line> lines;
    bool synced = false;

    bool isEmpty() const { return lines.isEmpty(); }
    bool operator==(const Lyrics&) const = default;
};

// The index of the line sung at `ms` into the track: the last whose time has come; -1 before
// the first. Unsynchronised lyrics have none.
inline qsizetype lineAt(const Lyrics& lyrics, qint64 ms)
{
    if (!lyrics.synced)
        return -1;
    const auto after = std::upper_bound(lyrics.lines.cbegin(), lyrics.lines.cend(), ms,
                                        [](qint64 at, const Line& line) { return at < line.ms; });
    return after - lyrics.lines.cbegin() - 1;
}

} // namespace sleevelight::lyrics
