#pragma once
// The list's arranging actions: which records the selected rows stand for,
// whether the rows may be moved or sorted, and the arranging operation each
// action runs on the image. The window runs them inside the history bracket
// and shows the image again afterwards.

#include "db/Arrange.h"
#include "app/ProgramState.h"
#include "ui/HistoryStep.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <vector>

namespace korvex {

class ListArranger {
public:
    explicit ListArranger(ProgramState& state) : state_(state) {}

    // Why the rows cannot be moved or sorted as they stand, or an empty
    // string when they can: the list of all programs, no find text, and its
    // rows exactly every entry of one table in entry order.
    QString MoveRefusal(bool filtered) const;

    // Each selected row one place up (-1) or down (+1).
    ChangeReport MoveByOne(std::span<const int> rows, int step);
    // The selected rows, in their order, so that the first stands at
    // programNumber (counted from 1, as the list counts programs).
    ChangeReport MoveTo(std::span<const int> rows, int programNumber);
    // The selected rows before the row `beforeRow` (the row count: at the end).
    ChangeReport MoveBefore(std::span<const int> rows, int beforeRow);
    ChangeReport Sort(SortKey key);
    // The selected programs, or the selected satellites or transponders with
    // what they own.
    ChangeReport Delete(std::span<const int> rows);
    ChangeReport ChangeFlags(std::span<const int> rows, FlagChange change, const QString& what);

    // The programs the rows of a program list stand for.
    std::vector<ProgramEntry> ProgramsOf(std::span<const int> rows) const;
    bool ListsPrograms() const;

private:
    std::optional<ProgTable> ListedTable() const;
    ChangeReport Reorder(ProgTable table, const std::vector<std::uint32_t>& order, const QString& done);
    ChangeReport DeletePrograms(std::span<const int> rows);
    ChangeReport DeleteSatellites(std::span<const int> rows);
    ChangeReport DeleteTransponders(std::span<const int> rows);

    ProgramState& state_;
};

} // namespace korvex
