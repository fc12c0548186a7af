#pragma once
// Edit → "Apply an earlier list…": after the box scanned again, the user
// picks the image file of an earlier list; its order, favourites and locks
// are carried over to the programs of the open image that match, after a
// preview, as one step of the history. The programs left unmatched are
// selected afterwards, so that they can be moved, given favourites or
// deleted at once.

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace korvex {

class HistoryStep;
class OpenImage;
class Platform;
class ProgramState;
struct CarryOverPlan;

class CarryOverCommand {
public:
    // selectPrograms: once the image is shown again, shows the programs
    // listed, selects the rows of these records (ChannelListModel keys) and
    // says how many rows it selected.
    CarryOverCommand(ProgramState& state, Platform& platform, OpenImage& document, HistoryStep& step,
                     QWidget* window, std::function<std::size_t(const std::vector<std::uint64_t>&)> selectPrograms);

    // Asks for the earlier file, previews, and applies the plan on OK.
    void Run();
    // Applies a plan made for the open image as one history step; the status
    // line says how it went.
    void Apply(const CarryOverPlan& plan);

private:
    ProgramState& state_;
    Platform& platform_;
    OpenImage& document_;
    HistoryStep& step_;
    QWidget* window_;
    std::function<std::size_t(const std::vector<std::uint64_t>&)> selectPrograms_;
};

} // namespace korvex
