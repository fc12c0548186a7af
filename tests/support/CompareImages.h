#pragma once
// Two pairs of images to compare, each with the marks a comparison must give
// every program, worked out from the changes made:
//  - an edited copy: the same image with a program moved to the front, one
//    deleted, one renamed with a new audio PID, one unlocked and a radio
//    program added to a favourite group. Its records stay where they were,
//    so comparing pairs them by offset;
//  - a rescan: the box's next scan of a small list, with new satellite and
//    transponder ids, its own order and its own record places, one
//    transponder's frequency read 3 units off, a program renamed, one gone
//    and one new. Its records are paired by channel.

#include "tests/support/ImageBuilder.h"

#include <map>
#include <string>
#include <vector>

namespace korvex::testing {

struct ExpectedMarks {
    // Program name (in the later image) -> the "Change" text it must show,
    // numbers as the list of all programs numbers its rows; programs not
    // named here show no change.
    std::map<std::string, std::string> tv;
    std::map<std::string, std::string> radio;
    std::vector<std::string> goneTv;     // names in the earlier image, in its order
    std::vector<int> goneTvNumbers;      // their numbers in the earlier list of all programs
    std::vector<std::string> goneRadio;
    std::size_t added = 0, gone = 0, moved = 0, changed = 0;  // programs of both tables
};

struct ComparePair {
    BuiltImage earlier;
    BuiltImage later;
    ExpectedMarks expected;
};

ComparePair MakeEditedCopy();
ComparePair MakeRescanPair();

} // namespace korvex::testing
