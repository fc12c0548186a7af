#pragma once
// File → "Compare with…": the open image compared with an earlier image file,
// in the window. The earlier file is read once and never written. While
// comparing, the list has a "Change" column and a colour per kind of change,
// the programs only the earlier file holds stand greyed in the list of all
// programs where they stood, the tree marks the satellites and transponders
// that hold changes, the status line gives the counts at its end, and a bar at the end
// of the find field chooses which changes are shown and how records are
// paired. Every fill of the list compares anew, so the marks follow each
// action on the open image. "End comparison" returns to the normal list.

#include "app/ListState.h"
#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"
#include "db/ImageDifference.h"
#include "ui/ComparisonMarks.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;
class QWidget;

namespace korvex {

class ChannelListModel;
class ChannelTree;
class ListFilter;
class Platform;
class ProgramState;

class CompareCommand {
public:
    struct Parts {
        QWidget* window;
        QLineEdit* findField;  // the bar sits at its end
        QLabel* statusLine;
        QTableView* list;
        ChannelListModel* model;
        ListFilter* filter;
        ChannelTree* tree;
    };
    // refill: fills the list again as it stands (which compares anew).
    CompareCommand(ProgramState& state, Platform& platform, Parts parts, std::function<void()> refill);
    ~CompareCommand();

    // Asks for the earlier file and starts comparing with it; a file that is
    // no image is refused with the reason and nothing changes.
    void Run();
    // Compares the open image with the image file at path; false (and the
    // reason for the user in why) when it does not load.
    bool Start(const QString& path, QString& why);
    // The normal list again.
    void End();
    bool Active() const { return earlierImage_ != nullptr; }

    // Which kinds of change the list shows (ChangeKind bits, 0 for all).
    void ShowChanges(unsigned kinds);
    // Pairs records the other way and compares anew.
    void SetPairing(DiffPairing pairing);
    DiffPairing Pairing() const { return pairing_; }
    const ComparisonMarks& Marks() const { return marks_; }

    // Called by the list's fill between the model's BeginFill and EndFill,
    // after the listed rows: compares anew and adds the rows of gone programs
    // to a list of all programs.
    void FillGone(ListType listType);
    // After the fill: the "Change" column's width, the tree's marks, the counts.
    void AfterFill();

    // The counts as the status line gives them.
    QString CountsText() const;

private:
    void Compare();
    void BuildBar();
    void MarkTree(bool marks);

    ProgramState& state_;
    Platform& platform_;
    Parts parts_;
    std::function<void()> refill_;
    std::unique_ptr<FlashImage> earlierImage_;
    std::unique_ptr<ChannelDatabase> earlier_;
    QString earlierName_;
    DiffPairing pairing_ = DiffPairing::Offsets;
    ComparisonMarks marks_;
    QWidget* bar_ = nullptr;
    QComboBox* changes_ = nullptr;
    QComboBox* pairings_ = nullptr;
    QLabel* counts_ = nullptr;  // at the end of the status line
    std::function<void()> placeBar_;
};

} // namespace korvex
