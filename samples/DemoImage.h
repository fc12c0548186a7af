#pragma once
// The demo channel lists shipped in samples/: a few satellites, transponders,
// TV and radio programs with readable names and favourites. One is named as a
// European box names its channels (ASCII), the other as a Chinese box does
// (GBK, which a UTF-8 desktop cannot read without knowing the charset).

#include "tests/support/ImageBuilder.h"

namespace korvex::samples {

enum class DemoNames {
    European,    // korvex-demo.bin
    ChineseGbk,  // korvex-demo-gbk.bin
};

testing::Bytes MakeDemoImage(DemoNames names = DemoNames::European);

} // namespace korvex::samples
