#pragma once
// The channel list's rows as a table model. A fill copies the records it
// shows, so the list goes on showing them as they were when it was filled
// (an editor's Cancel leaves a choice in a live record that the image does
// not hold); cell texts are formatted only when the view asks for them, so a
// 5000-row list costs little until it is drawn.

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"

#include <QAbstractTableModel>
#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace korvex {

class ComparisonMarks;

struct ListColumn {
    QString title;
    int width;  // pixels
};

// Column layouts of the four list types.
std::span<const ListColumn> SatelliteColumns();
std::span<const ListColumn> TransponderColumns();
std::span<const ListColumn> ProgramColumns();

class ChannelListModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // A fill replaces all rows (and, when given, the columns) at once.
    void BeginFill();
    void SetColumns(std::span<const ListColumn> columns);
    void AppendSatellite(const SatRecord& sat, int satIndex, int filledCells);
    void AppendTransponder(const TpRecord& tp);
    void AppendProgram(const ProgRecord& prog);
    void EndFill();

    // No rows; the columns stay.
    void ClearRows();

    // While comparing with an earlier image: a last column "Change" with each
    // row's mark and a background per kind of change; nullptr ends it. The
    // marks are read when a cell is drawn and must outlive the comparison.
    void SetComparison(const ComparisonMarks* marks);
    bool Comparing() const { return marks_ != nullptr; }
    // A program only the earlier image holds, shown greyed, numbered as the
    // earlier file's list numbered it (`number`) and never selectable; it
    // goes after the listed program with key followsKey (to the top when
    // follows is false). Appended after every listed row, between BeginFill
    // and EndFill.
    void AppendGoneProgram(const ProgRecord& earlier, std::uint32_t number, std::uint64_t followsKey, bool follows);
    // The rows that stand for records of the open image: all but the gone
    // rows, which come after them.
    int ListedRows() const { return listedRows_; }
    // The kinds of change of a row (ChangeKind bits); 0 when not comparing.
    unsigned RowChange(int row) const;
    // Where a row stands while comparing: listed rows in their order, each
    // gone row right after the row it follows.
    std::uint64_t RowPlace(int row) const;

    std::span<const ListColumn> Columns() const { return columns_; }

    // The charset names are decoded from; the rows are shown anew in it.
    void SetNameCharset(const NameCharset& charset);

    // What a find looks for: text in the name (compared case-folded), or for
    // a number, a service ID, a PID, a frequency or a longitude equal to it.
    struct Query {
        QString foldedText;
        std::optional<std::uint32_t> number;
    };
    static Query QueryFor(const QString& typed);
    bool RowMatches(int row, const Query& query) const;

    // Which record a row shows, the same across refills as long as the record
    // stays where it is: its kind, its table and its offset in the image.
    std::uint64_t RowKey(int row) const;
    // The key of a row that shows this program.
    static std::uint64_t ProgramKey(const ProgRecord& prog);
    // The keys of rows that show this satellite or transponder.
    static std::uint64_t SatelliteKey(const SatRecord& sat);
    static std::uint64_t TransponderKey(const TpRecord& tp);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    enum class Kind { Satellite, Transponder, Program, Gone };
    struct Row {
        Kind kind;
        std::uint32_t record;  // index into the copies of its kind
        int filledCells;
        int number;  // the number in the first cell
    };

    QString CellText(const Row& row, int column) const;
    static std::uint64_t KeyOf(Kind kind, ProgTable table, std::uint32_t entryWord);

    std::vector<ListColumn> columns_;
    std::vector<Row> rows_;
    std::vector<SatRecord> sats_;
    std::vector<TpRecord> tps_;
    std::vector<ProgRecord> progs_;
    NameCharset charset_{LocaleCharset()};
    const ComparisonMarks* marks_ = nullptr;
    struct Gone {
        ProgRecord record;
        std::uint64_t followsKey;
        bool follows;
        std::uint64_t place = 0;
    };
    std::vector<Gone> gone_;
    int listedRows_ = 0;
    // Gives each gone row its place after the row it follows.
    void PlaceGoneRows();
    QVariant ChangeData(const Row& row, int index, int role) const;
};

} // namespace korvex
