// The window and records it must not change: a record that overlaps the
// image's structure or another record opens no editor and no action writes
// it; and Save over an existing file keeps that file's first original.

#include "res/ResourceIds.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/OverlapImages.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/TestFiles.h"
#include "ui/CKorvexApp.h"
#include "ui/CKorvexDlg.h"
#include "ui/EditActions.h"
#include "ui/RenamePreview.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QLabel>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace korvex;
using korvex::testing::Bytes;
using korvex::testing::FakePlatform;
using korvex::testing::OverlapImages;
using korvex::testing::WriteTestFile;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Raw(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

} // namespace

class ReadOnlyWindowTest : public QObject {
    Q_OBJECT

public:
    ReadOnlyWindowTest(CKorvexApp& app, FakePlatform& platform) : app_(app), platform_(platform) {}

private slots:
    void init();
    void cleanup();

    void aRecordOverTheStructureOpensNoEditorAndNoActionWritesIt();
    void saveOverAFileKeepsItsFirstOriginalOnce();

private:
    void Open(const Bytes& bytes);
    Bytes ImageNow() const;
    // The list row of TV-table program k, under the tab that lists it.
    int ShowRowOfTvProgram(std::size_t k);

    CKorvexApp& app_;
    FakePlatform& platform_;
    std::unique_ptr<CKorvexDlg> dlg_;
    QTemporaryDir dir_;
    Bytes opened_;
};

void ReadOnlyWindowTest::init()
{
    app_.state().list() = *std::make_unique<ListState>();
    platform_.Reset();
    dlg_ = std::make_unique<CKorvexDlg>(app_.state(), platform_);
    dlg_->OnInitDialog();
    dlg_->show();
}

void ReadOnlyWindowTest::cleanup()
{
    platform_.unsavedAnswers.push_back(UnsavedAnswer::Discard);
    dlg_.reset();
}

void ReadOnlyWindowTest::Open(const Bytes& bytes)
{
    opened_ = bytes;
    platform_.openAnswers.push_back(WriteTestFile(dir_, QStringLiteral("image.bin"), bytes));
    dlg_->OnCommand(res::IDC_OPEN);
    QVERIFY(platform_.messages.empty());
}

Bytes ReadOnlyWindowTest::ImageNow() const
{
    const auto& bytes = app_.state().image().bytes;
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(opened_.size()));
}

int ReadOnlyWindowTest::ShowRowOfTvProgram(std::size_t k)
{
    const ProgRecord& prog = app_.state().database().tvProgs[k];
    dlg_->kindTabs->setCurrentIndex(prog.videoPid != 0 ? 0 : 1);
    const ListState& list = app_.state().list();
    for (int row = 0; row < dlg_->channelList->model()->rowCount(); ++row)
        if (list.RowTable[static_cast<std::size_t>(row)] == ProgTable::Tv && list.RowMap[static_cast<std::size_t>(row)] == k)
            return row;
    return -1;
}

void ReadOnlyWindowTest::aRecordOverTheStructureOpensNoEditorAndNoActionWritesIt()
{
    for (const auto& overlap : OverlapImages()) {
        const QString reason = QString::fromUtf8(overlap.reason.data(), static_cast<qsizetype>(overlap.reason.size()));
        Open(overlap.built.bytes);
        const std::size_t last = app_.state().database().numTv - 1u;
        const int row = ShowRowOfTvProgram(last);
        QVERIFY2(row >= 0, overlap.description.c_str());
        dlg_->SelectRows({row});

        // An editor that opened anyway is closed again, and counted.
        bool editorOpened = false;
        QTimer::singleShot(0, [&editorOpened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                editorOpened = true;
                modal->close();
            }
        });
        dlg_->OnListDblClk();
        QVERIFY2(!editorOpened, overlap.description.c_str());
        QCOMPARE(platform_.messages.size(), std::size_t{1});
        QCOMPARE(platform_.messages[0].text, reason);
        QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
        QCOMPARE(platform_.messages[0].icon, MessageIcon::Warning);
        platform_.messages.clear();

        // Locking a selection that holds it writes nothing
        // and says why in the status line.
        dlg_->SelectRows({row});
        dlg_->editActions->lock->trigger();
        QVERIFY2(ImageNow() == opened_, overlap.description.c_str());
        QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Not changed: ") + reason);
        QVERIFY(!dlg_->HasUnsavedEdits());

        // Neither does renaming it. Read in Latin-1 every name reads and would
        // be written back as it was, so the rename does reach the record.
        dlg_->OnNameCharset("ISO-8859-1");
        dlg_->SelectRows({row});
        // The editor's timer above is still waiting when no editor opened.
        QCoreApplication::processEvents();
        bool previewShown = false;
        QTimer::singleShot(0, [&previewShown] {
            if (auto* preview = dynamic_cast<RenamePreview*>(QApplication::activeModalWidget())) {
                previewShown = true;
                preview->SetRule({QStringLiteral("^"), QStringLiteral("X"), true, true});
                preview->OkButton()->click();
            }
        });
        dlg_->editActions->rename->trigger();
        QVERIFY2(previewShown, overlap.description.c_str());
        QVERIFY2(ImageNow() == opened_, overlap.description.c_str());
        QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Not changed: ") + reason);
        QVERIFY(!dlg_->editActions->undo->isEnabled());
    }
}

void ReadOnlyWindowTest::saveOverAFileKeepsItsFirstOriginalOnce()
{
    const Bytes image = testing::GuardBaseImage(1).Build().bytes;
    Open(image);
    const QString target = dir_.filePath(QStringLiteral("channels.bin"));
    const QString backup = target + QStringLiteral(".bak");

    // A new file has no original to keep.
    platform_.saveAnswers.push_back(target);
    dlg_->OnFileSave();
    QVERIFY(!QFile::exists(backup));

    // Saving over a file keeps it once; later saves leave that first
    // original as it was.
    const QByteArray first("the first original");
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(first);
    }
    for (int save = 0; save < 2; ++save) {
        platform_.saveAnswers.push_back(target);
        dlg_->OnFileSave();
        QCOMPARE(ReadAll(backup), first);
        QCOMPARE(ReadAll(target), Raw(image));
    }
}

int main(int argc, char** argv)
{
    FakePlatform platform;
    CKorvexApp app(argc, argv, platform);
    ReadOnlyWindowTest test(app, platform);
    return QTest::qExec(&test, argc, argv);
}

#include "ReadOnlyWindowTest.moc"
