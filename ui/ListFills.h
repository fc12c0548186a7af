#pragma once
// The four kinds of list the window shows, and the tab filter on programs:
// each fill puts its rows into the list model and records in ListState which
// record each row stands for (RowMap, RowTable) and, for a transponder's
// programs, the copies the program editor reads (tpTvProgs, tpRadioProgs).

#include "app/ProgramState.h"
#include "ui/ChannelListModel.h"

#include <QString>

#include <cstdint>

namespace korvex {

class ListFills {
public:
    ListFills(ProgramState& state, ChannelListModel& model) : state_(state), model_(model) {}

    // Fills the model, between its BeginFill and EndFill, with the list of
    // listType: every satellite, the transponders of selectedSat,
    // every program of the tab, or the programs of selectedTp. A list stopped
    // by a coded value without a name returns the warning the user is shown;
    // otherwise an empty string.
    QString Fill(ListType listType, std::uint16_t selectedSat, std::uint16_t selectedTp);

private:
    QString FillSatellites();
    void FillSatTransponders(std::uint16_t selectedSat);
    void FillAllPrograms();
    void FillTpPrograms(std::uint16_t selectedTp);
    // The TV tab lists programs with video, the Radio tab those without.
    bool PassesTabFilter(const ProgRecord& prog) const;

    ProgramState& state_;
    ChannelListModel& model_;
};

} // namespace korvex
