// The rename plan over a loaded list: which programs a rule renames, which it
// leaves and why, the names it hands to the writer, and a rule that cannot be
// used refusing the whole plan.

#include "codepage/RenamePlan.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvex {
namespace {

using testing::ImageBuilder;
using testing::LoadedImage;
using testing::Name;

ProgRecord Prog(std::string_view name)
{
    ProgRecord prog;
    prog.satId = 1;
    prog.tpId = 2;
    prog.progName = Name(name);
    return prog;
}

class RenamePlanTest : public ::testing::Test {
protected:
    RenamePlanTest()
        : loaded_(ImageBuilder()
                      .AddTv(Prog("Sky News"))
                      .AddTv(Prog("BBC One"))
                      .AddTv(Prog("Sky Sports Main"))
                      .AddRadio(Prog("Sky Radio")))
    {
    }

    RenamePlan Plan(const RenameRule& rule) const
    {
        return PlanRename(*loaded_.db, programs_, rule, NameCharset("UTF-8"));
    }

    LoadedImage loaded_;
    // Every program, and an entry the list does not hold.
    const std::vector<ProgramEntry> programs_ = {
        {ProgTable::Tv, 0}, {ProgTable::Tv, 1}, {ProgTable::Tv, 2}, {ProgTable::Radio, 0}, {ProgTable::Tv, 9}};
};

TEST_F(RenamePlanTest, CountsEachOutcomeAndHandsOnlyTheRenamedNamesToTheWriter)
{
    ASSERT_TRUE(loaded_.loaded);
    const RenamePlan plan = Plan({QStringLiteral("Sky"), QStringLiteral("Sky UK")});
    EXPECT_EQ(plan.refusal, "");
    ASSERT_EQ(plan.rows.size(), 4u);  // the entry not held is left out
    EXPECT_EQ(plan.renamed, 2u);
    EXPECT_EQ(plan.leftUnchanged, 1u);  // "Sky UK Sports Main" does not fit 12 bytes
    EXPECT_EQ(plan.notMatched, 1u);
    EXPECT_EQ(plan.cut, 0u);
    EXPECT_EQ(plan.rows[2].rename.result, RenameResult::TooLong);

    const std::vector<ProgramRename> renames = plan.Renames();
    ASSERT_EQ(renames.size(), 2u);
    EXPECT_EQ(renames[0].program.table, ProgTable::Tv);
    EXPECT_EQ(renames[0].program.position, 0u);
    EXPECT_EQ(renames[0].name, "Sky UK News");
    EXPECT_EQ(renames[1].program.table, ProgTable::Radio);
    EXPECT_EQ(renames[1].name, "Sky UK Radio");

    RenameRule cut{QStringLiteral("Sky"), QStringLiteral("Sky UK")};
    cut.cut = true;
    const RenamePlan cutting = Plan(cut);
    EXPECT_EQ(cutting.renamed, 3u);
    EXPECT_EQ(cutting.cut, 1u);
    EXPECT_EQ(cutting.leftUnchanged, 0u);
}

TEST_F(RenamePlanTest, ARuleThatCannotBeUsedRefusesThePlanAndRenamesNothing)
{
    for (const RenameRule& rule : {RenameRule{QStringLiteral("("), QString(), true}, RenameRule{}}) {
        const RenamePlan plan = Plan(rule);
        EXPECT_NE(plan.refusal, "") << rule.find.toStdString();
        EXPECT_TRUE(plan.Renames().empty());
        EXPECT_EQ(plan.renamed, 0u);
    }
}

} // namespace
} // namespace korvex
