#pragma once
// The demo channel list shipped in samples/: a few satellites, transponders,
// TV and radio programs with readable names and favourites.

#include "tests/support/ImageBuilder.h"

namespace korvex::samples {

testing::Bytes MakeDemoImage();

} // namespace korvex::samples
