#pragma once
// The largest channel list the database holds, laid into a 1 MiB image by the
// image builder: 150 satellites, 3000 transponders and 5000 programs (3000 TV,
// 2000 radio), every cell as wide as it gets (twelve-character names,
// five-digit numbers, every favourite group). Satellite 0 has the 300
// transponders a satellite's list holds and transponder 0 carries the 500
// programs a transponder's list holds; the rest are spread evenly.

#include "tests/support/ImageBuilder.h"

#include <cstdint>
#include <filesystem>

namespace korvex::bench {

inline constexpr std::uint16_t kBusiestSat = 0;  // index in sats
inline constexpr std::uint16_t kBusiestTp = 0;   // index in tps

enum class TvVideo {
    Carried,  // every TV-table program has a video pid: 3000 TV rows, 2000 radio rows
    None,     // no TV-table program has one, so the Radio tab lists all 5000
    WholeTvTable,  // all 5000 programs in the TV table, each with video: the TV
                   // tab lists one whole table, which can be moved and sorted
};

testing::BuiltImage LargestImage(TvVideo video = TvVideo::Carried);

// The channels of LargestImage(TvVideo::Carried) as an earlier scan held them
// and their user arranged them: other satellite and transponder ids, the
// frequencies of most transponders one to three units off, each table in
// another order, favourite groups and child locks of its own, and one
// program in fifty under another service id. Carrying it over to the largest
// image matches every program (those fifty by name) and changes every table.
testing::BuiltImage EarlierLargestImage();

// Writes the image to path; false when the file cannot be written.
bool WriteLargestImage(const std::filesystem::path& path, TvVideo video = TvVideo::Carried);

} // namespace korvex::bench
