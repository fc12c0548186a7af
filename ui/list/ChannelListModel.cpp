#include "ui/list/ChannelListModel.h"

#include "codepage/Utf16Text.h"
#include "db/FlashImage.h"
#include "text/ShownText.h"
#include "ui/compare/ComparisonMarks.h"

#include <QColor>

#include <algorithm>
#include <unordered_map>


namespace korvex {
namespace {

const ListColumn kSatelliteColumns[] = {
    {QStringLiteral("SatNO."), 60},     {QStringLiteral("SatName"), 80},   {QStringLiteral("Longitude(E)"), 80},
    {QStringLiteral("LnbType"), 60},    {QStringLiteral("LnbPower"), 80},  {QStringLiteral("LnbFreLow"), 80},
    {QStringLiteral("LnbFreHigh"), 80}, {QStringLiteral("22K"), 60},       {QStringLiteral("0/12V"), 60},
    {QStringLiteral("DiSEqC1.0"), 80},  {QStringLiteral("DiSEqC1.2En"), 80}, {QStringLiteral("Postion"), 60},
};

const ListColumn kTransponderColumns[] = {
    {QStringLiteral("TpNO."), 60},
    {QStringLiteral("Frequency"), 80},
    {QStringLiteral("Polarization"), 80},
    {QStringLiteral("Symbol Rate"), 80},
};

const ListColumn kProgramColumns[] = {
    {QStringLiteral("ProgNO."), 60},  {QStringLiteral("ProgName"), 100}, {QStringLiteral("ServiceID"), 80},
    {QStringLiteral("VideoPid"), 80}, {QStringLiteral("AudioPid"), 80},  {QStringLiteral("PcrPid"), 80},
    {QStringLiteral("Scramble"), 60}, {QStringLiteral("Track"), 60},     {QStringLiteral("ChildLock"), 60},
    {QStringLiteral("Favorite"), 80},
};

QString Latin(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString SatelliteCell(const SatRecord& sat, int index, int column, const NameCharset& charset)
{
    switch (column) {
    case 0: return QString::number(index);
    case 1: return NameText(sat.satName, charset);
    case 2: return QString::number(sat.longitude);
    case 3: return Latin(CodedValueName(kLnbTypeNames, sat.lnbType));
    case 4: return Latin(CodedValueName(kLnbPowerNames, sat.lnbPower));
    case 5: return QString::number(sat.lnbFreLow);
    case 6: return QString::number(sat.lnbFreHigh);
    case 7: return QString::number(sat.tone22K);
    case 8: return QString::number(sat.power012V);
    case 9: return QString::number(sat.diseqc10);
    case 10: return QString::number(sat.diseqc12En);
    case 11: return QString::number(sat.position);
    default: return {};
    }
}

QString TransponderCell(const TpRecord& tp, int index, int column)
{
    switch (column) {
    case 0: return QString::number(index);
    case 1: return QString::number(tp.frequency);
    case 2: return QString::number(tp.polarisation);
    case 3: return QString::number(tp.symbolRate);
    default: return {};
    }
}

QString ProgramCell(const ProgRecord& prog, int number, int column, const NameCharset& charset)
{
    switch (column) {
    case 0: return QString::number(number);
    case 1: return NameText(prog.progName, charset);
    case 2: return QString::number(prog.serviceId);
    case 3: return QString::number(prog.videoPid);
    case 4: return QString::number(prog.audioPid);
    case 5: return QString::number(prog.pcrPid);
    case 6: return QString::number(prog.scramble);
    case 7: return QString::number(prog.track);
    case 8: return QString::number((prog.unlocked & 1) == 0 ? 1 : 0);
    case 9: return QString::fromLatin1(FavouriteText(prog.favBits));
    default: return {};
    }
}

} // namespace

std::span<const ListColumn> SatelliteColumns() { return kSatelliteColumns; }
std::span<const ListColumn> TransponderColumns() { return kTransponderColumns; }
std::span<const ListColumn> ProgramColumns() { return kProgramColumns; }

void ChannelListModel::SetNameCharset(const NameCharset& charset)
{
    if (charset == charset_)
        return;
    charset_ = charset;
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

void ChannelListModel::BeginFill()
{
    beginResetModel();
    rows_.clear();
    sats_.clear();
    tps_.clear();
    progs_.clear();
    gone_.clear();
    listedRows_ = 0;
}

void ChannelListModel::SetColumns(std::span<const ListColumn> columns)
{
    columns_.assign(columns.begin(), columns.end());
}

void ChannelListModel::AppendSatellite(const SatRecord& sat, int satIndex, int filledCells)
{
    sats_.push_back(sat);
    rows_.push_back({Kind::Satellite, static_cast<std::uint32_t>(sats_.size() - 1), filledCells, satIndex});
}

void ChannelListModel::AppendTransponder(const TpRecord& tp)
{
    tps_.push_back(tp);
    rows_.push_back({Kind::Transponder, static_cast<std::uint32_t>(tps_.size() - 1),
                     static_cast<int>(std::size(kTransponderColumns)), static_cast<int>(rows_.size())});
}

void ChannelListModel::AppendProgram(const ProgRecord& prog)
{
    progs_.push_back(prog);
    rows_.push_back({Kind::Program, static_cast<std::uint32_t>(progs_.size() - 1),
                     static_cast<int>(std::size(kProgramColumns)), static_cast<int>(rows_.size()) + 1});
}

void ChannelListModel::AppendGoneProgram(const ProgRecord& earlier, std::uint32_t number, std::uint64_t followsKey,
                                         bool follows)
{
    gone_.push_back({earlier, followsKey, follows});
    rows_.push_back({Kind::Gone, static_cast<std::uint32_t>(gone_.size() - 1),
                     static_cast<int>(std::size(kProgramColumns)), static_cast<int>(number)});
}

void ChannelListModel::EndFill()
{
    listedRows_ = static_cast<int>(rows_.size() - gone_.size());
    PlaceGoneRows();
    endResetModel();
}

void ChannelListModel::PlaceGoneRows()
{
    if (gone_.empty())
        return;
    std::unordered_map<std::uint64_t, int> rowOf;
    rowOf.reserve(static_cast<std::size_t>(listedRows_));
    for (int row = 0; row < listedRows_; ++row)
        rowOf.emplace(RowKey(row), row);
    // Listed row r stands at 2r + 1; a gone row after row r at 2r + 2, one
    // that follows nothing listed at 0; gone rows at one place keep their
    // earlier order.
    for (Gone& gone : gone_) {
        const auto it = gone.follows ? rowOf.find(gone.followsKey) : rowOf.end();
        gone.place = it == rowOf.end() ? 0 : 2 * static_cast<std::uint64_t>(it->second) + 2;
    }
}

void ChannelListModel::SetComparison(const ComparisonMarks* marks)
{
    if (marks == marks_)
        return;
    beginResetModel();
    marks_ = marks;
    endResetModel();
}

unsigned ChannelListModel::RowChange(int row) const
{
    if (!marks_ || row < 0 || row >= rowCount())
        return 0;
    const Row& r = rows_[static_cast<std::size_t>(row)];
    if (r.kind == Kind::Gone)
        return kChangeGone;
    const RecordMark* mark = marks_->Mark(RowKey(row));
    return mark ? mark->kinds : 0;
}

std::uint64_t ChannelListModel::RowPlace(int row) const
{
    const Row& r = rows_[static_cast<std::size_t>(row)];
    if (r.kind == Kind::Gone)
        return gone_[r.record].place;
    return 2 * static_cast<std::uint64_t>(row) + 1;
}

QVariant ChannelListModel::ChangeData(const Row& row, int index, int role) const
{
    const bool gone = row.kind == Kind::Gone;
    const RecordMark* mark = gone ? nullptr : marks_->Mark(RowKey(index));
    const unsigned kinds = gone ? kChangeGone : (mark ? mark->kinds : 0);
    if (role == Qt::DisplayRole)
        return gone ? QStringLiteral("gone") : (mark ? mark->Text(charset_) : QString());
    if (role == Qt::BackgroundRole) {
        // One colour per kind; the "Change" column says the same in words.
        if (kinds & kChangeChanged)
            return QColor(0xFF, 0xEB, 0xA8);
        if (kinds & kChangeMoved)
            return QColor(0xCC, 0xE0, 0xFF);
        if (kinds & kChangeNew)
            return QColor(0xC8, 0xF0, 0xC8);
        if (kinds & kChangeGone)
            return QColor(0xE4, 0xE4, 0xE4);
        return {};
    }
    if (role == Qt::ForegroundRole && gone)
        return QColor(0x80, 0x80, 0x80);
    return {};
}


void ChannelListModel::ClearRows()
{
    BeginFill();
    EndFill();
}

int ChannelListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ChannelListModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(columns_.size()) + (marks_ ? 1 : 0);
}

Qt::ItemFlags ChannelListModel::flags(const QModelIndex& index) const
{
    // A gone program is no record of the open image: nothing to select or edit.
    if (index.isValid() && index.row() < rowCount() && rows_[static_cast<std::size_t>(index.row())].kind == Kind::Gone)
        return Qt::NoItemFlags;
    return QAbstractTableModel::flags(index);
}

QString ChannelListModel::CellText(const Row& row, int column) const
{
    if (column >= row.filledCells)
        return {};
    switch (row.kind) {
    case Kind::Satellite:
        return SatelliteCell(sats_[row.record], row.number, column, charset_);
    case Kind::Transponder:
        return TransponderCell(tps_[row.record], row.number, column);
    case Kind::Program:
        return ProgramCell(progs_[row.record], row.number, column, charset_);
    case Kind::Gone:
        return ProgramCell(gone_[row.record].record, row.number, column, charset_);
    }
    return {};
}

QVariant ChannelListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const bool changeColumn = marks_ && index.column() == static_cast<int>(columns_.size());
    if (marks_ && (role == Qt::BackgroundRole || role == Qt::ForegroundRole || (changeColumn && role == Qt::DisplayRole)))
        return ChangeData(rows_[static_cast<std::size_t>(index.row())], index.row(), role);
    if (role == Qt::DisplayRole)
        return CellText(rows_[static_cast<std::size_t>(index.row())], index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

ChannelListModel::Query ChannelListModel::QueryFor(const QString& typed)
{
    Query query{typed.trimmed().toCaseFolded(), std::nullopt};
    bool isNumber = false;
    const uint number = query.foldedText.toUInt(&isNumber, 10);
    if (isNumber)
        query.number = number;
    return query;
}

bool ChannelListModel::RowMatches(int row, const Query& query) const
{
    if (query.foldedText.isEmpty())
        return true;
    const Row& r = rows_[static_cast<std::size_t>(row)];
    const auto nameHas = [&](const NameBytes& name) {
        return NameText(name, charset_).toCaseFolded().contains(query.foldedText);
    };
    const auto equals = [&](std::initializer_list<std::uint32_t> values) {
        return query.number && std::find(values.begin(), values.end(), *query.number) != values.end();
    };
    switch (r.kind) {
    case Kind::Satellite: {
        const SatRecord& sat = sats_[r.record];
        return nameHas(sat.satName) || equals({sat.longitude});
    }
    case Kind::Transponder:
        return equals({tps_[r.record].frequency});
    case Kind::Program:
    case Kind::Gone: {
        const ProgRecord& prog = r.kind == Kind::Gone ? gone_[r.record].record : progs_[r.record];
        return nameHas(prog.progName) ||
               equals({prog.serviceId, prog.videoPid, prog.audioPid, prog.pcrPid});
    }
    }
    return false;
}

std::uint64_t ChannelListModel::KeyOf(Kind kind, ProgTable table, std::uint32_t entryWord)
{
    const std::uint64_t tableBit = IndexOf(table);
    return std::uint64_t{static_cast<std::uint32_t>(kind)} << 40 | tableBit << 32 | RecordOffsetOf(entryWord);
}

std::uint64_t ChannelListModel::RowKey(int row) const
{
    const Row& r = rows_[static_cast<std::size_t>(row)];
    switch (r.kind) {
    case Kind::Satellite: return KeyOf(r.kind, ProgTable::Tv, sats_[r.record].entryWord);
    case Kind::Transponder: return KeyOf(r.kind, ProgTable::Tv, tps_[r.record].entryWord);
    case Kind::Program: break;
    case Kind::Gone: return KeyOf(r.kind, gone_[r.record].record.table, gone_[r.record].record.entryWord);
    }
    return KeyOf(r.kind, progs_[r.record].table, progs_[r.record].entryWord);
}

std::uint64_t ChannelListModel::SatelliteKey(const SatRecord& sat)
{
    return KeyOf(Kind::Satellite, ProgTable::Tv, sat.entryWord);
}

std::uint64_t ChannelListModel::TransponderKey(const TpRecord& tp)
{
    return KeyOf(Kind::Transponder, ProgTable::Tv, tp.entryWord);
}

std::uint64_t ChannelListModel::ProgramKey(const ProgRecord& prog)
{
    return KeyOf(Kind::Program, prog.table, prog.entryWord);
}

QVariant ChannelListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return section == static_cast<int>(columns_.size()) ? QStringLiteral("Change")
                                                            : columns_[static_cast<std::size_t>(section)].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

} // namespace korvex
