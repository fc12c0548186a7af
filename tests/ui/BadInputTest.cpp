// The main window given damaged images, files it cannot read and places it
// cannot write: each gives its message or shows what could be loaded, never a
// crash or a hang; a failed save never reports success and never harms the
// file it was to replace.

#include "db/LoadDatabase.h"
#include "res/ResourceIds.h"
#include "res/DialogTemplate.h"
#include "tests/support/ImageBuilder.h"
#include "tests/ui/WindowFixture.h"
#include "ui/CKorvexApp.h"
#include "ui/CKorvexDlg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <chrono>
#include <condition_variable>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace korvex;
using namespace korvex::testing;
using korvex::testing::PutBe32;

namespace {

SatRecord Sat(std::uint16_t satId)
{
    SatRecord sat;
    sat.satId = satId;
    sat.satName = Name("Sat");
    sat.lnbType = 2;
    sat.lnbPower = 1;
    return sat;
}

TpRecord Tp(std::uint16_t tpId, std::uint16_t satId)
{
    TpRecord tp;
    tp.tpId = tpId;
    tp.satId = satId & 0x3FFF;
    tp.frequency = 11000;
    return tp;
}

ProgRecord Prog(std::uint16_t satId, std::uint16_t tpId, std::uint16_t videoPid)
{
    ProgRecord prog;
    prog.satId = satId;
    prog.tpId = tpId;
    prog.videoPid = videoPid;
    prog.progName = Name("Prog");
    return prog;
}

// Tables of the given sizes; satellite, transponder and program ids repeat so
// that every satellite has transponders and every transponder programs.
ImageBuilder Tables(int layout, std::size_t sats, std::size_t tps, std::size_t tv, std::size_t radio)
{
    ImageBuilder builder(layout);
    for (std::size_t i = 0; i < sats; ++i)
        builder.AddSat(Sat(static_cast<std::uint16_t>(i)));
    for (std::size_t i = 0; i < tps; ++i)
        builder.AddTp(Tp(static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(i % 150)));
    for (std::size_t i = 0; i < tv; ++i)
        builder.AddTv(Prog(static_cast<std::uint16_t>(i % 150), static_cast<std::uint16_t>(i % 3000), 100));
    for (std::size_t i = 0; i < radio; ++i)
        builder.AddRadio(Prog(static_cast<std::uint16_t>(i % 150), static_cast<std::uint16_t>(i % 3000), 0));
    return builder;
}

QStringList Counters(int sats, int tps, int tv, int radio)
{
    return {QStringLiteral("Sat: %1").arg(sats), QStringLiteral("TP: %1").arg(tps), QStringLiteral("TV: %1").arg(tv),
            QStringLiteral("Radio: %1").arg(radio)};
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Opens a pipe's writing end after a while, so that an open or read that
// waits for a writer comes back (and the test fails) instead of hanging.
class PipeWatchdog {
public:
    explicit PipeWatchdog(const QString& pipe) : pipe_(QFile::encodeName(pipe).toStdString())
    {
        thread_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            if (done_.wait_for(lock, std::chrono::seconds(10), [this] { return finished_; }))
                return;
            struct stat status {};
            if (::stat(pipe_.c_str(), &status) != 0 || !S_ISFIFO(status.st_mode))
                return;
            fired_ = true;
            const int fd = ::open(pipe_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        });
    }
    ~PipeWatchdog() { Stop(); }

    // True when the pipe had to be opened to end a wait.
    bool Stop()
    {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        if (thread_.joinable())
            thread_.join();
        return fired_;
    }

private:
    std::string pipe_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    bool fired_ = false;
    std::thread thread_;
};

// Lowers the largest file this process may write, as a full disk would stop
// a write halfway; writes beyond it fail with EFBIG instead of a signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, savedHandler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*savedHandler_)(int) = SIG_DFL;
    bool ok_ = false;
};

} // namespace

class BadInputTest : public QObject, protected WindowFixture {
    Q_OBJECT

public:
    BadInputTest(CKorvexApp& app, FakePlatform& platform) : WindowFixture(app, platform) {}

private slots:
    void init();
    void cleanup();

    void showsWhatADamagedImageHolds_data();
    void showsWhatADamagedImageHolds();
    void aFileThatCannotBeReadIsNamedAndTheShownImageStays_data();
    void aFileThatCannotBeReadIsNamedAndTheShownImageStays();
    void saveIntoAFolderNoUserCanWriteIsRefused();
    void aSaveThatFailsHalfwayLeavesTheOldFileWhole();
    void saveOverAReadOnlyFileNeverWritesIntoIt();

private:
    void Open(const QString& path);
    int Rows() const { return dlg_->channelList->model()->rowCount(); }
    QStringList CounterTexts() const;
    void VisitEveryKindOfNode();
    void ExpectOneWarningNaming(const QString& path);
    bool SuccessShown() const;

};

void BadInputTest::init()
{
    StartWindow();
}

void BadInputTest::cleanup()
{
    EndWindow();
}

void BadInputTest::Open(const QString& path)
{
    platform_.openAnswers.push_back(path);
    dlg_->OnCommand(res::IDC_OPEN);
}

QStringList BadInputTest::CounterTexts() const
{
    QStringList texts;
    for (const int id : {res::IDC_SAT_COUNT, res::IDC_TP_COUNT, res::IDC_TV_COUNT, res::IDC_RADIO_COUNT})
        texts << res::FindControl<QLabel>(dlg_.get(), id)->text();
    return texts;
}

// Every list the tree and the tabs can ask for, at the first and the last
// satellite and transponder.
void BadInputTest::VisitEveryKindOfNode()
{
    QTreeWidget* tree = dlg_->channelTree;
    for (const int tab : {1, 0}) {
        dlg_->kindTabs->setCurrentIndex(tab);
        for (int top = 0; top < tree->topLevelItemCount(); ++top) {
            QTreeWidgetItem* root = tree->topLevelItem(top);
            tree->setCurrentItem(root);
            if (root->childCount() == 0)
                continue;
            for (QTreeWidgetItem* sat : {root->child(0), root->child(root->childCount() - 1)}) {
                tree->setCurrentItem(sat);
                if (sat->childCount() > 0) {
                    tree->setCurrentItem(sat->child(0));
                    tree->setCurrentItem(sat->child(sat->childCount() - 1));
                }
            }
        }
    }
}

void BadInputTest::ExpectOneWarningNaming(const QString& path)
{
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QVERIFY2(platform_.messages[0].text.contains(QDir::toNativeSeparators(path)), qPrintable(platform_.messages[0].text));
    QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
    QVERIFY(platform_.messages[0].icon == MessageIcon::Warning);
}

bool BadInputTest::SuccessShown() const
{
    for (const auto& message : platform_.messages)
        if (message.text == QStringLiteral("Save Success!"))
            return true;
    return false;
}

void BadInputTest::showsWhatADamagedImageHolds_data()
{
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<QStringList>("counters");

    {
        BuiltImage past = Tables(2, 3, 2, 2, 2).Build();
        PutEntry(past.bytes, past.EntryOffset(BlockId::Satellites, 1), 0, 0x0FFFF0);  // 22 bytes cross the end
        PutEntry(past.bytes, past.EntryOffset(BlockId::Transponders, 0), 0, 0xFFFFFF);
        PutEntry(past.bytes, past.EntryOffset(BlockId::TvPrograms, 1), 0, 0x0FFFE0);  // 36 bytes cross the end
        PutEntry(past.bytes, past.EntryOffset(BlockId::RadioPrograms, 0), 0, 0x100000);
        QTest::newRow("entries pointing past the buffer") << past.bytes << Counters(2, 1, 1, 1);
    }
    QTest::newRow("every table larger than its capacity")
        << Tables(2, 151, 3001, 5001, 2001).Build().bytes << Counters(150, 3000, 5000, 0);
    QTest::newRow("TV and radio together larger than 5000")
        << Tables(2, 3, 3, 4000, 1500).Build().bytes << Counters(3, 3, 4000, 1000);
    {
        // The satellite entries run on over the other blocks and the zeros
        // behind them; the capacity ends them.
        BuiltImage huge = Tables(1, 3, 4, 3, 2).Build();
        PutBe32(huge.bytes, huge.HeaderOffset(BlockId::Satellites) + 8, 0xFFFFFFFF);
        QTest::newRow("satellite entryCount 0xFFFFFFFF") << huge.bytes << Counters(150, 4, 3, 2);
    }
    {
        // The TV block is the last: its entries run on to the end of the
        // buffer, each naming the record at offset 0.
        BuiltImage huge = Tables(2, 3, 4, 3, 2).Build();
        PutBe32(huge.bytes, huge.HeaderOffset(BlockId::TvPrograms) + 8, 0xFFFFFFFF);
        QTest::newRow("TV entryCount 0xFFFFFFFF") << huge.bytes << Counters(3, 4, 5000, 0);
    }
}

void BadInputTest::showsWhatADamagedImageHolds()
{
    QFETCH(Bytes, bytes);
    QFETCH(QStringList, counters);
    Open(WriteFile(QStringLiteral("damaged.bin"), bytes));
    QVERIFY2(platform_.messages.empty(), platform_.messages.empty() ? "" : qPrintable(platform_.messages[0].text));
    QCOMPARE(CounterTexts(), counters);
    const ChannelDatabase& db = app_.state().database();
    int tvRows = 0;
    for (const ProgRecord& prog : db.AllProgs())
        tvRows += prog.videoPid != 0 ? 1 : 0;
    QCOMPARE(Rows(), tvRows);

    VisitEveryKindOfNode();

    // What was loaded saves as it stands.
    platform_.messages.clear();
    const QString saved = dir_.filePath(QStringLiteral("saved.bin"));
    platform_.saveAnswers.push_back(saved);
    dlg_->OnFileSave();
    QVERIFY(SuccessShown());
    const FlashImage& image = app_.state().image();
    QCOMPARE(ReadAll(saved), QByteArray(reinterpret_cast<const char*>(image.bytes.data()),
                                         static_cast<qsizetype>(image.flashSize)));
    QVERIFY(std::equal(bytes.begin(), bytes.end(), image.bytes.begin()));
}

void BadInputTest::aFileThatCannotBeReadIsNamedAndTheShownImageStays_data()
{
    QTest::addColumn<QString>("path");
    const QString base = dir_.path();
    QDir().mkpath(base + QStringLiteral("/folder.bin"));
    QFile::link(base + QStringLiteral("/nothing-here.bin"), base + QStringLiteral("/dangling.bin"));
    QFile::link(base + QStringLiteral("/loop-b.bin"), base + QStringLiteral("/loop-a.bin"));
    QFile::link(base + QStringLiteral("/loop-a.bin"), base + QStringLiteral("/loop-b.bin"));
    WriteFile(QStringLiteral("plain"), Bytes{1, 2, 3});
    const QString vanished = WriteFile(QStringLiteral("vanished.bin"), Bytes(16, 0));
    QFile::remove(vanished);
    const QString pipe = base + QStringLiteral("/pipe.bin");
    ::mkfifo(QFile::encodeName(pipe).constData(), 0600);

    QTest::newRow("a folder") << base + QStringLiteral("/folder.bin");
    QTest::newRow("a dangling symbolic link") << base + QStringLiteral("/dangling.bin");
    QTest::newRow("a loop of symbolic links") << base + QStringLiteral("/loop-a.bin");
    QTest::newRow("a path through a plain file") << base + QStringLiteral("/plain/inside.bin");
    QTest::newRow("a file gone after it was chosen") << vanished;
    QTest::newRow("a named pipe nobody writes to") << pipe;
    if (QFileInfo::exists(QStringLiteral("/proc/self/mem")))
        QTest::newRow("a file whose read fails") << QStringLiteral("/proc/self/mem");
}

void BadInputTest::aFileThatCannotBeReadIsNamedAndTheShownImageStays()
{
    QFETCH(QString, path);
    const Bytes shown = Tables(1, 2, 2, 2, 1).Build().bytes;
    Open(WriteFile(QStringLiteral("shown.bin"), shown));
    QVERIFY(platform_.messages.empty());
    const QStringList counters = CounterTexts();
    const int rows = Rows();

    PipeWatchdog watchdog(path);
    Open(path);
    QVERIFY2(!watchdog.Stop(), "the open waited for a writer");
    ExpectOneWarningNaming(path);

    // The image shown before is still the one in memory, whole.
    QCOMPARE(CounterTexts(), counters);
    QCOMPARE(Rows(), rows);
    QCOMPARE(app_.state().image().fileOpened, 1u);
    QVERIFY(std::equal(shown.begin(), shown.end(), app_.state().image().bytes.begin()));
    platform_.messages.clear();
    const QString saved = dir_.filePath(QStringLiteral("still-saves.bin"));
    platform_.saveAnswers.push_back(saved);
    dlg_->OnFileSave();
    QVERIFY(SuccessShown());
    QCOMPARE(ReadAll(saved), QByteArray(reinterpret_cast<const char*>(shown.data()), static_cast<qsizetype>(shown.size())));
}

void BadInputTest::saveIntoAFolderNoUserCanWriteIsRefused()
{
    // Not even the superuser can create a file among the kernel's process
    // files.
    if (!QFileInfo(QStringLiteral("/proc/self")).isDir())
        QSKIP("no /proc here");
    Open(WriteFile(QStringLiteral("image.bin"), Tables(1, 1, 1, 1, 1).Build().bytes));
    const QString target = QStringLiteral("/proc/korvex-bad-input.bin");
    platform_.saveAnswers.push_back(target);
    dlg_->OnFileSave();
    ExpectOneWarningNaming(target);
    QVERIFY(!QFileInfo::exists(target));
}

void BadInputTest::aSaveThatFailsHalfwayLeavesTheOldFileWhole()
{
    const Bytes image = Tables(1, 2, 2, 2, 2).Build().bytes;  // 512 KiB
    Open(WriteFile(QStringLiteral("image.bin"), image));
    const QString folder = dir_.filePath(QStringLiteral("halfway"));
    QVERIFY(QDir().mkpath(folder));
    const QString old = folder + QStringLiteral("/old.bin");
    {
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the old image");
    }
    platform_.saveAnswers.push_back(old);
    {
        const FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.ok());
        dlg_->OnFileSave();
    }
    ExpectOneWarningNaming(old);
    // The system's own reason, as a full disk gives "No space left on device".
    const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
    QVERIFY2(platform_.messages[0].text.endsWith(QStringLiteral(": ") + reason), qPrintable(platform_.messages[0].text));
    QCOMPARE(ReadAll(old), QByteArray("the old image"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{QStringLiteral("old.bin")});
}

void BadInputTest::saveOverAReadOnlyFileNeverWritesIntoIt()
{
    const Bytes image = Tables(1, 2, 2, 2, 2).Build().bytes;
    Open(WriteFile(QStringLiteral("image.bin"), image));
    const QString folder = dir_.filePath(QStringLiteral("read-only-file"));
    QVERIFY(QDir().mkpath(folder));
    const QString old = folder + QStringLiteral("/old.bin");
    const QString sameFile = folder + QStringLiteral("/same-inode.bin");
    {
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the old image");
    }
    QVERIFY(::link(QFile::encodeName(old).constData(), QFile::encodeName(sameFile).constData()) == 0);
    QVERIFY(QFile::setPermissions(old, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));

    platform_.saveAnswers.push_back(old);
    dlg_->OnFileSave();

    // For every user, the superuser too: a warning, and the old file is the
    // one it was.
    ExpectOneWarningNaming(old);
    QCOMPARE(ReadAll(old), QByteArray("the old image"));
    QCOMPARE(ReadAll(sameFile), QByteArray("the old image"));
}

KORVEX_WINDOW_TEST_MAIN(BadInputTest)

#include "BadInputTest.moc"
