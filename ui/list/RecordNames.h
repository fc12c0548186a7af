#pragma once
// Records named for people the way the list and the tree beside the previews
// and the comparison name them: a program by the tab that lists it and its
// number there ("TV 3", "Radio 12": the "ProgNO." of the list of all
// programs, counted from 1), a satellite by its tree label without the count
// ("5_Hotbird"), a transponder by its tree label under its satellite
// ("0_10992": its place under the satellite, from 0, and its frequency).

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace korvex {

// A program's place in the list of all programs: the tab that lists it and
// its number there.
struct ProgramNumber {
    bool radioTab = false;
    std::uint32_t number = 0;  // from 1; 0 for a program the database does not hold

    QString Text() const;  // "TV 3", "Radio 12"
};

class RecordNames {
public:
    RecordNames(const ChannelDatabase& db, const NameCharset& names);

    // By the program's table and its entry position there.
    ProgramNumber Program(ProgTable table, std::uint32_t position) const;
    QString ProgramText(ProgTable table, std::uint32_t position) const { return Program(table, position).Text(); }
    // By the index in the database's arrays.
    QString Satellite(std::size_t index) const;
    QString Transponder(std::size_t index) const;
    // A transponder's place under its satellite in the tree, from 0 (its
    // "TpNO." in the satellite's list); kNoPlace when no satellite holds it.
    static constexpr std::uint32_t kNoPlace = 0xFFFFFFFF;
    std::uint32_t TransponderPlace(std::size_t index) const
    {
        return index < tpPlace_.size() ? tpPlace_[index] : kNoPlace;
    }
    // The satellite a transponder stands under in the tree; empty when none.
    QString SatelliteOfTransponder(std::size_t index) const;

    static QString SatelliteLabel(std::size_t index, const QString& name);
    static QString TransponderLabel(std::size_t place, unsigned frequency);

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    const ChannelDatabase& db_;
    NameCharset names_;
    std::array<std::vector<ProgramNumber>, 2> programs_;  // by table, then entry position
    std::vector<std::uint32_t> tpPlace_;                  // by transponder index
    std::vector<std::uint32_t> tpSatellite_;              // by transponder index
};

} // namespace korvex
