#pragma once
// The commands that work on the whole list at once, each after a preview and
// as one step of the history: carrying an earlier list over, cleaning up,
// renaming in bulk and updating a satellite's transponders from a scan
// table; and Edit → Select, which selects the rows of one kind.
// Each of these menu commands is connected, enabled and run here, and nowhere
// else; the window shows the image again when asked.

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QAction;
class QLabel;
class QWidget;

namespace korvex {

class CarryOverCommand;
class CleanUpCommand;
class EditActions;
class HistoryStep;
class ListSelection;
class OpenImage;
class Platform;
class ProgramState;
class RenameCommand;
class TransponderUpdateCommand;

class ListCommands {
public:
    struct Parts {
        QWidget* window;  // owner of the dialogs
        EditActions* actions;
        ListSelection* list;
        QLabel* statusLine;
        const std::uint16_t* chosenSatellite;  // the satellite the tree chose
    };
    // step: runs each change as one step of the history; showAllPrograms:
    // shows the list of all programs under the TV (0) or Radio (1) tab.
    ListCommands(ProgramState& state, Platform& platform, OpenImage& document, HistoryStep& step, Parts parts,
                 std::function<void(std::uint32_t tab)> showAllPrograms);
    ~ListCommands();

    // Connects Edit → "Apply an earlier list…", "Rename…" and Select.
    void Connect();
    // Takes Tools → "Clean up…" and "Update transponders…" out of the menu
    // bar's commands (by command id) and connects them.
    void TakeMenuCommands(std::unordered_map<int, QAction*>& commands);
    // Enables the actions for what the list shows and selects: Tools →
    // "Update transponders…" while the tree has a satellite chosen.
    void UpdateActions();

private:
    void UpdateTransponders();
    // Selects the rows of these records (ChannelListModel keys) that the list
    // shows; `kind` names them in the status line.
    void SelectKind(const std::vector<std::uint64_t>& keys, const QString& kind);
    // The rows of these records selected in the list of all programs, under
    // the tab that shows more of them; how many.
    std::size_t SelectAmongAllPrograms(const std::vector<std::uint64_t>& keys);

    ProgramState& state_;
    OpenImage& document_;
    Parts parts_;
    std::function<void(std::uint32_t tab)> showAllPrograms_;
    std::unique_ptr<CarryOverCommand> carryOver_;
    std::unique_ptr<RenameCommand> rename_;
    std::unique_ptr<CleanUpCommand> cleanUp_;
    std::unique_ptr<TransponderUpdateCommand> updateTransponders_;
    QAction* updateTranspondersAction_ = nullptr;
};

} // namespace korvex
