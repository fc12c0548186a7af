#pragma once
// What a change of the image came to, and why a planned change cannot be made.
//
// Every writer of the channel list (arranging, carrying an earlier list over,
// cleaning up, renaming, updating transponders) answers with a ChangeOutcome:
// written, or refused with nothing written and the reason for people. A
// deletion also says how many entries went and which records it kept because
// a survivor still claims them.
//
// A plan (CarryOverPlan, CleanUpPlan, RenamePlan, TransponderUpdatePlan) says
// why it cannot be applied in a `refusal` of its own: empty when it can, else
// the reason for people. Applying a refused plan writes nothing and returns
// that refusal.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

struct ChangeOutcome {
    bool done = false;
    std::string refusal;                     // why nothing was written, for people
    std::array<std::uint32_t, 4> removed{};  // entries removed, by BlockId
    // Deleting a satellite or transponder: records it owned that another,
    // surviving satellite or transponder with the same id also claims, and
    // which were therefore kept.
    std::uint32_t keptTransponders = 0;
    std::uint32_t keptPrograms = 0;

    static ChangeOutcome Written()
    {
        ChangeOutcome outcome;
        outcome.done = true;
        return outcome;
    }
    static ChangeOutcome Refused(std::string_view why)
    {
        ChangeOutcome outcome;
        outcome.refusal = std::string(why);
        return outcome;
    }
};

} // namespace korvex
