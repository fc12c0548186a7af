#pragma once
// The commands that work on the whole list at once, each after a preview and
// as one step of the history: carrying an earlier list over, cleaning up,
// renaming in bulk and updating a satellite's transponders from a scan
// table; and Edit → Select, which selects the rows of one kind.
// The window hands these to this unit and shows the image again when asked.

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QWidget;

namespace korvex {

class CarryOverCommand;
class CleanUpCommand;
class EditActions;
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
    };
    struct Show {
        // Decodes the image again and shows it, the selection kept.
        std::function<void()> imageAgain;
        // Shows the list of all programs under the TV (0) or Radio (1) tab.
        std::function<void(std::uint32_t tab)> allPrograms;
    };

    ListCommands(ProgramState& state, Platform& platform, OpenImage& document, Parts parts, Show show);
    ~ListCommands();

    // Connects Edit → "Apply an earlier list…", "Rename…" and Select.
    void Connect();
    // Enables the actions for what the list shows and selects; Tools →
    // "Update transponders…" (given once the menu bar is built) while the
    // tree has a satellite chosen.
    void UpdateActions();
    void SetUpdateTranspondersAction(QAction* action);

    void ApplyEarlierList();
    void CleanUp();
    void UpdateTransponders(std::uint16_t satIndex);
    // Selects the rows of these records (ChannelListModel keys) that the list
    // shows; `kind` names them in the status line.
    void SelectKind(const std::vector<std::uint64_t>& keys, const QString& kind);

private:
    // The image shown again, then the rows of these records selected in the
    // list of all programs, under the tab that shows more of them; how many.
    std::size_t ShowSelecting(const std::vector<std::uint64_t>& keys);

    ProgramState& state_;
    OpenImage& document_;
    Parts parts_;
    Show show_;
    std::unique_ptr<CarryOverCommand> carryOver_;
    std::unique_ptr<RenameCommand> rename_;
    std::unique_ptr<CleanUpCommand> cleanUp_;
    std::unique_ptr<TransponderUpdateCommand> updateTransponders_;
    QAction* updateTranspondersAction_ = nullptr;
};

} // namespace korvex
