#include "ui/bulk/CarryOverCommand.h"

#include "app/Messages.h"
#include "app/OpenImage.h"
#include "app/Platform.h"
#include "app/ProgramState.h"
#include "db/CarryOver.h"
#include "db/ChannelMatch.h"
#include "text/NamesCharset.h"
#include "text/ShownText.h"
#include "ui/bulk/CarryOverPreview.h"
#include "ui/list/ChannelListModel.h"
#include "ui/shell/FileCommands.h"
#include "ui/list/HistoryStep.h"

#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <optional>

namespace korvex {

CarryOverCommand::CarryOverCommand(ProgramState& state, Platform& platform, OpenImage& document, HistoryStep& step,
                                   QWidget* window,
                                   std::function<std::size_t(const std::vector<std::uint64_t>&)> selectPrograms)
    : state_(state),
      platform_(platform),
      document_(document),
      step_(step),
      window_(window),
      selectPrograms_(std::move(selectPrograms))
{
}

void CarryOverCommand::Run()
{
    if (!document_.IsLoaded())
        return;
    const std::optional<QString> path = platform_.GetOpenFileName(window_, kImageOpenFilter, state_.files().ImageFolder());
    if (!path)
        return;
    // The earlier image is read beside the open one and dropped afterwards.
    const auto earlierImage = std::make_unique<FlashImage>();
    const auto earlier = std::make_unique<ChannelDatabase>();
    if (const QString why = LoadImageFile(*path, *earlierImage, *earlier); !why.isEmpty()) {
        ShowWarning(platform_, window_, why);
        return;
    }
    // Each image's names in the image's own charset, as korvex-cli reads
    // them: a charset chosen in the Names menu counts for both.
    const CharsetChoice& current = state_.nameCharset();
    const std::optional<std::string> given =
        current.source == CharsetSource::Given ? std::optional(current.charset.Name()) : std::nullopt;
    const NameCharset earlierNames = NamesCharset(given, *earlier).charset;
    const ChannelMatch match =
        MatchChannels(*earlier, state_.database(), {.names = SingleByteCharactersOf(current.charset)});
    CarryOverPreview preview(window_, QFileInfo(*path).fileName(), state_.database(), *earlier, current.charset,
                             earlierNames,
                             [&](const CarryOverChoices& choices) {
                                 return PlanCarryOver(state_.image(), state_.database(), *earlier, match, choices);
                             });
    if (preview.DoModal() != QDialog::Accepted)
        return;
    Apply(preview.Plan());
}

void CarryOverCommand::Apply(const CarryOverPlan& plan)
{
    // The unmatched programs by their records' places, which arranging
    // leaves where they are.
    std::vector<std::uint64_t> unmatched;
    std::size_t matched = 0;
    const ChannelDatabase& db = state_.database();
    for (const TableCarryOver& table : plan.tables) {
        matched += table.matchedByService + table.matchedByName;
        const std::span<const ProgRecord> programs = db.Progs(table.table);
        if (!table.deleted.empty())
            continue;
        // Listings name entry positions; the records are in entry order, with
        // a gap wherever the loader skipped an entry.
        for (const ProgramListing& listing : table.unmatched) {
            const auto it = std::lower_bound(programs.begin(), programs.end(), listing.position,
                                             [](const ProgRecord& prog, std::uint32_t at) { return prog.tableIndex < at; });
            if (it != programs.end() && it->tableIndex == listing.position)
                unmatched.push_back(ChannelListModel::ProgramKey(*it));
        }
    }

    step_.Run(
        QStringLiteral("Apply an earlier list"),
        [&] { return ApplyCarryOver(state_.image(), state_.database(), plan); },
        [&](const ChangeOutcome&) {
            const std::size_t selected = selectPrograms_(unmatched);
            const QString matchedText = GroupedNumber(matched);
            if (unmatched.empty())
                return QStringLiteral("Applied the earlier list: %1 programs matched.").arg(matchedText);
            const QString unmatchedText = GroupedNumber(unmatched.size());
            if (selected == unmatched.size())
                return QStringLiteral("Applied the earlier list: %1 programs matched, %2 not matched and selected.")
                    .arg(matchedText, unmatchedText);
            // Under one tab the list of all programs does not show every program.
            return QStringLiteral("Applied the earlier list: %1 programs matched, %2 not matched, %3 of them selected "
                                  "here.")
                .arg(matchedText, unmatchedText, GroupedNumber(selected));
        });
}

} // namespace korvex
