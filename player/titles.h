#pragma once

#include <QString>

#include <optional>

namespace sleevelight::titles {

// One kind of noise that streaming services and video sites add to titles, as a pattern matched
// without regard to case, and an example of a title that carries it.
struct Noise
{
    const char* pattern;
    const char* example;
};

// The kinds of noise taken off, tried in this order. To add one, add a line here and its example
// to the tests' table.
inline constexpr Noise noise[] = {
    // "Heroes - 2017 Remaster", "Heroes - Remastered 2009", "Heroes - 2017 Remastered Version"
    {R"(\s+[-–—]\s+(\d{4}\s+)?remaster(ed)?(\s+\d{4})?(\s+version)?\s*$)", "Heroes - Remastered 2009"},
    // "Heroes (Remastered)", "Heroes [2017 Remaster]", "Heroes (Remastered 2009)"
    {R"(\s*[(\[](\d{4}\s+)?(digitally\s+)?remaster(ed)?(\s+\d{4})?(\s+version)?[)\]])",
     "Heroes (Remastered)"},
    // "Heroes (Official Video)", "Heroes [Official Audio]", "Heroes (Official Music Video)"
    {R"(\s*[(\[]official\s+(music\s+|lyric\s+)?(video|audio|visualizer)[)\]])", "Heroes (Official Video)"},
    // "Heroes (Lyrics)", "Heroes [Lyric Video]", "Heroes (Audio)", "Heroes (HD)"
    {R"(\s*[(\[](lyrics?|lyric\s+video|audio|hd|hq|4k)[)\]])", "Heroes (Lyrics)"},
    // "Heroes | Official Music Video"
    {R"(\s*\|\s*official\s+(music\s+|lyric\s+)?(video|audio)\s*$)", "Heroes | Official Music Video"},
};

// The title without the noise; the title as it is when nothing would be left.
QString cleanTitle(const QString& title);

struct ArtistAndTitle
{
    QString artist;
    QString title;
};

// "Artist - Title", as browsers send a video's title with no artist, split in two; nothing when
// the title is not of that form.
std::optional<ArtistAndTitle> splitArtistFromTitle(const QString& title);

} // namespace sleevelight::titles
