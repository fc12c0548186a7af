// Edit → "Rename…" in the window: the preview shows every chosen name before
// and after before anything is written, marks the names left as they were,
// OK renames as one step of the history that Undo takes back byte for byte,
// Cancel writes nothing, and the action says why when there is nothing to
// rename.

#include "db/RecordCodec.h"
#include "tests/support/ImageBuilder.h"
#include "tests/ui/PreviewGuide.h"
#include "tests/ui/WindowFixture.h"
#include "ui/shell/CKorvexApp.h"
#include "ui/shell/CKorvexDlg.h"
#include "ui/list/EditActions.h"
#include "ui/bulk/RenamePreview.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using namespace korvex;
using namespace korvex::testing;

namespace {

BuiltImage HdImage()
{
    ImageBuilder builder(2);
    builder.AddSat({.satId = 1, .satName = Name("Astra")});
    builder.AddTp({.tpId = 10, .satId = 1, .frequency = 11000});
    for (const char* name : {"Das Erste HD", "ZDF", "Arte HD", "Sky Sports", "Sky Movie HD"}) {
        ProgRecord prog{.satId = 1, .tpId = 10, .serviceId = 7, .videoPid = 0x100, .audioPid = 0x101};
        prog.progName = Name(name);
        prog.unlocked = 1;
        prog.favBits = 0x7E;
        builder.AddTv(prog);
    }
    return builder.Build();
}

// The texts of one column of the preview, row by row.
QStringList Column(const RenamePreview& preview, int column)
{
    const QAbstractItemModel* model = preview.Rows()->model();
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

constexpr int kProgramColumn = 0;
constexpr int kNameColumn = 1;
constexpr int kNewNameColumn = 2;
constexpr int kNoteColumn = 3;

} // namespace

class RenameWindowTest : public QObject, protected WindowFixture {
    Q_OBJECT

public:
    RenameWindowTest(CKorvexApp& app, FakePlatform& platform) : WindowFixture(app, platform) {}

private slots:
    void init();
    void cleanup();

    void okRenamesTheSelectedProgramsAsOneStep();
    void withoutASelectionEveryProgramShownAndNamesTooLongMarked();
    void cancelWritesNothing();
    void disabledWithTheReasonWhenTheListShowsNoPrograms();

private:
    // Runs Edit → Rename…: `onPreview` sees the preview and answers it.
    void Rename(const std::function<void(RenamePreview&)>& onPreview);
    // The built bytes with TV program k's 12 name bytes replaced.
    Bytes WithName(Bytes bytes, std::size_t k, std::string_view name) const;

    BuiltImage built_ = HdImage();
    bool previewShown_ = false;
};

void RenameWindowTest::init()
{
    StartWindow();
    QVERIFY(OpenBytes(built_.bytes, QStringLiteral("box.bin")));
    previewShown_ = false;
}

void RenameWindowTest::cleanup()
{
    EndWindow();
}

void RenameWindowTest::Rename(const std::function<void(RenamePreview&)>& onPreview)
{
    QVERIFY(dlg_->editActions->rename->isEnabled());
    previewShown_ = AnswerModal<RenamePreview>([this] { dlg_->editActions->rename->trigger(); }, onPreview);
}

Bytes RenameWindowTest::WithName(Bytes bytes, std::size_t k, std::string_view name) const
{
    const std::uint32_t at = built_.RecordOffset(BlockId::TvPrograms, k) + kProgNameOffset;
    std::copy(name.begin(), name.end(), bytes.begin() + at);
    return bytes;
}

void RenameWindowTest::okRenamesTheSelectedProgramsAsOneStep()
{
    dlg_->SelectRows({0, 2, 3});
    Rename([&](RenamePreview& preview) {
        const QAbstractItemModelTester tester(preview.Rows()->model(),
                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(!preview.OkButton()->isEnabled());
        preview.SetRule({QStringLiteral("^(.*) HD$"), QStringLiteral("HD \\1"), true, false});
        // Nothing is written while the preview is open.
        QVERIFY(ImageNow() == built_.bytes);
        QCOMPARE(Column(preview, kProgramColumn), (QStringList{"TV 1", "TV 3", "TV 4"}));
        QCOMPARE(Column(preview, kNameColumn), (QStringList{"Das Erste HD", "Arte HD", "Sky Sports"}));
        QCOMPARE(Column(preview, kNewNameColumn), (QStringList{"HD Das Erste", "HD Arte", ""}));
        QVERIFY(preview.OkButton()->isDefault());
        QCOMPARE(testing::GuidePageAfterF1(preview), QStringLiteral("renaming.md"));
        QCOMPARE(preview.Effect()->text(), QStringLiteral("OK renames 2 programs, as one step that Undo takes back."));
        QVERIFY(preview.OkButton()->isEnabled());
        preview.OkButton()->click();
    });
    QVERIFY(previewShown_);
    QVERIFY(platform_.messages.empty());

    // Only the two names changed; the shorter one keeps the byte behind its zero.
    const Bytes renamed =
        WithName(WithName(built_.bytes, 0, "HD Das Erste"), 2, std::string_view("HD Arte\0", 8));
    QVERIFY(ImageNow() == renamed);
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Renamed 2 programs."));
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{0, 2, 3}));

    QCOMPARE(dlg_->editActions->undo->text(), QStringLiteral("&Undo Rename"));
    dlg_->Arranging().Undo();
    QVERIFY(ImageNow() == built_.bytes);
    QVERIFY(!dlg_->editActions->undo->isEnabled());
    QVERIFY(!dlg_->HasUnsavedEdits());
    dlg_->Arranging().Redo();
    QVERIFY(ImageNow() == renamed);
}

void RenameWindowTest::withoutASelectionEveryProgramShownAndNamesTooLongMarked()
{
    dlg_->findField->setText(QStringLiteral("Sky"));
    Rename([&](RenamePreview& preview) {
        preview.SetRule({QStringLiteral("Sky "), QStringLiteral("Sky Deutschland "), false, false});
        QCOMPARE(Column(preview, kNameColumn), (QStringList{"Sky Sports", "Sky Movie HD"}));
        QCOMPARE(Column(preview, kNoteColumn), (QStringList{"left unchanged: does not fit 12 bytes",
                                                            "left unchanged: does not fit 12 bytes"}));
        QVERIFY(!preview.OkButton()->isEnabled());

        preview.SetRule({QStringLiteral("Sky "), QStringLiteral("Sky Deutschland "), false, true});
        QCOMPARE(Column(preview, kNewNameColumn), (QStringList{"Sky Deutschl", "Sky Deutschl"}));
        QCOMPARE(Column(preview, kNoteColumn), (QStringList{"cut to 12 bytes", "cut to 12 bytes"}));
        preview.SetRule({QStringLiteral("^Sky (.*)$"), QStringLiteral("\\1 (Sky)"), true, false});
        QCOMPARE(Column(preview, kNewNameColumn), (QStringList{"Sports (Sky)", "Movie HD (Sky)"}));
        QCOMPARE(Column(preview, kNoteColumn), (QStringList{"", "left unchanged: does not fit 12 bytes"}));
        preview.OkButton()->click();
    });
    QVERIFY(previewShown_);
    QVERIFY(ImageNow() == WithName(built_.bytes, 3, "Sports (Sky)"));
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Renamed 1 program; 1 left unchanged."));
}

void RenameWindowTest::cancelWritesNothing()
{
    Rename([&](RenamePreview& preview) {
        preview.SetRule({QStringLiteral(" HD"), QString(), false, false});
        QCOMPARE(Column(preview, kNameColumn).size(), 5);
        QVERIFY(preview.OkButton()->isEnabled());
        preview.reject();
    });
    QVERIFY(previewShown_);
    QVERIFY(ImageNow() == built_.bytes);
    QVERIFY(!dlg_->editActions->undo->isEnabled());
}

void RenameWindowTest::disabledWithTheReasonWhenTheListShowsNoPrograms()
{
    dlg_->findField->setText(QStringLiteral("Nothing like it"));
    QVERIFY(!dlg_->editActions->rename->isEnabled());
    QCOMPARE(dlg_->editActions->rename->toolTip(), QStringLiteral("The list shows no programs."));
    dlg_->findField->clear();
    QVERIFY(dlg_->editActions->rename->isEnabled());
}

KORVEX_WINDOW_TEST_MAIN(RenameWindowTest)

#include "RenameWindowTest.moc"
