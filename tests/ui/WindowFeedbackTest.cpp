// What the window tells the user: the open file and its unsaved edits in the
// title, what Open and Save did, the question before edits are thrown away,
// where the file dialogs start, what Undo would take back, why a command did
// nothing, what the tool buttons start, the menus' access keys, and a list
// that fits the window.

#include "app/QtPlatform.h"
#include "res/ResourceIds.h"
#include "samples/DemoImage.h"
#include "tests/support/ImageBuilder.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/TestFiles.h"
#include "ui/AccessKeys.h"
#include "ui/CKorvexApp.h"
#include "ui/CKorvexDlg.h"
#include "ui/EditActions.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace korvex;
using korvex::testing::Bytes;
using korvex::testing::FakePlatform;
using korvex::testing::WriteTestFile;

namespace {

const QString kVersionTitle = QStringLiteral("Korvex V1.003 Build 10102209");

// The action's text as the user reads it.
QString Plain(const QAction* action) { return WithoutAccessKey(action->text()); }

} // namespace

class WindowFeedbackTest : public QObject {
    Q_OBJECT

public:
    WindowFeedbackTest(CKorvexApp& app, FakePlatform& platform) : app_(app), platform_(platform) {}

private slots:
    void init();
    void cleanup();

    void theTitleNamesTheOpenFileAndMarksUnsavedEdits();
    void theQuestionBeforeDroppingEditsSavesDiscardsOrCancels();
    void theDesktopsQuestionTakesEscapeAsCancel();
    void imageDialogsStartWhereTheImageIsAndScanTablesKeepTheirFolder();
    void undoNamesTheActionDone_data();
    void undoNamesTheActionDone();
    void aFindWithoutMatchAndAnArrangingKeyThatCannotRunSayWhy();
    void selectingAKindSaysWhatWasLookedForAndFound();
    void theToolButtonsSayWhatTheyStartAndWhetherItIsThere();
    void everyMenuAndItemHasAnAccessKeyAndTheKeysReachThem();
    void theListFitsTheWindow_data();
    void theListFitsTheWindow();

private:
    // Opens the demo image as `name` in the folder `folder` of the test's own.
    QString OpenDemo(const QString& folder, const QString& name = QStringLiteral("korvex-demo.bin"));
    QString Folder(const QString& name) const;
    void Lock(int row);
    QTreeWidgetItem* SatelliteRoot() const { return dlg_->channelTree->topLevelItem(1); }

    CKorvexApp& app_;
    FakePlatform& platform_;
    std::unique_ptr<CKorvexDlg> dlg_;
    QTemporaryDir dir_;
};

void WindowFeedbackTest::init()
{
    app_.state().list() = *std::make_unique<ListState>();
    app_.state().database() = *std::make_unique<ChannelDatabase>();
    app_.state().files() = {};
    platform_.Reset();
    dlg_ = std::make_unique<CKorvexDlg>(app_.state(), platform_);
    dlg_->OnInitDialog();
    dlg_->show();
    dlg_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dlg_.get()));
}

void WindowFeedbackTest::cleanup()
{
    platform_.unsavedAnswers.push_back(UnsavedAnswer::Discard);
    dlg_.reset();
}

QString WindowFeedbackTest::Folder(const QString& name) const
{
    QDir(dir_.path()).mkpath(name);
    return dir_.filePath(name);
}

QString WindowFeedbackTest::OpenDemo(const QString& folder, const QString& name)
{
    const QString path = QDir(Folder(folder)).filePath(name);
    QFile file(path);
    const Bytes demo = samples::MakeDemoImage();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the demo image");
    file.write(reinterpret_cast<const char*>(demo.data()), static_cast<qint64>(demo.size()));
    file.close();
    platform_.openAnswers.push_back(path);
    dlg_->OnFileOpen();
    return path;
}

void WindowFeedbackTest::Lock(int row)
{
    dlg_->SelectRows({row});
    dlg_->editActions->lock->trigger();
}

void WindowFeedbackTest::theTitleNamesTheOpenFileAndMarksUnsavedEdits()
{
    QCOMPARE(dlg_->windowTitle(), kVersionTitle);
    OpenDemo(QStringLiteral("images"));
    QCOMPARE(dlg_->windowTitle(), QStringLiteral("korvex-demo.bin — ") + kVersionTitle);
    QCOMPARE(dlg_->statusLine->text(),
             QStringLiteral("Opened korvex-demo.bin: 4 satellites, 9 transponders, 11 TV and 3 radio programs."));

    Lock(0);
    QCOMPARE(dlg_->windowTitle(), QStringLiteral("korvex-demo.bin* — ") + kVersionTitle);
    dlg_->OnUndo();
    QCOMPARE(dlg_->windowTitle(), QStringLiteral("korvex-demo.bin — ") + kVersionTitle);
    dlg_->OnRedo();
    QCOMPARE(dlg_->windowTitle(), QStringLiteral("korvex-demo.bin* — ") + kVersionTitle);

    platform_.saveAnswers.push_back(QDir(Folder(QStringLiteral("images"))).filePath(QStringLiteral("mine.bin")));
    dlg_->OnFileSave();
    QCOMPARE(dlg_->windowTitle(), QStringLiteral("mine.bin — ") + kVersionTitle);
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Saved mine.bin."));
    QCOMPARE(platform_.messages.back().text, QStringLiteral("Save Success!"));

    // Undoing past the saved point marks the image again.
    dlg_->OnUndo();
    QCOMPARE(dlg_->windowTitle(), QStringLiteral("mine.bin* — ") + kVersionTitle);
}

void WindowFeedbackTest::theQuestionBeforeDroppingEditsSavesDiscardsOrCancels()
{
    OpenDemo(QStringLiteral("images"));
    Lock(0);
    const qsizetype opened = platform_.openFilters.size();

    // Cancel: nothing happens, the edits stay.
    platform_.unsavedAnswers = {UnsavedAnswer::Cancel};
    dlg_->OnFileOpen();
    QCOMPARE(platform_.questions.size(), std::size_t{1});
    QCOMPARE(platform_.questions[0].text,
             QStringLiteral("korvex-demo.bin has edits that were not saved. Save them first?"));
    QCOMPARE(platform_.questions[0].caption, QStringLiteral("Korvex"));
    QCOMPARE(platform_.openFilters.size(), opened);
    QVERIFY(dlg_->HasUnsavedEdits());

    // Save, but the save is cancelled: Open does not go on.
    platform_.unsavedAnswers = {UnsavedAnswer::Save};
    platform_.saveAnswers = {std::nullopt};
    dlg_->OnFileOpen();
    QCOMPARE(platform_.saveInitialNames.size(), qsizetype{1});
    QCOMPARE(platform_.openFilters.size(), opened);
    QVERIFY(dlg_->HasUnsavedEdits());

    // Save, and it is saved: Open goes on, and the file holds the edit.
    const QString saved = QDir(Folder(QStringLiteral("images"))).filePath(QStringLiteral("saved.bin"));
    platform_.unsavedAnswers = {UnsavedAnswer::Save};
    platform_.saveAnswers = {saved};
    platform_.openAnswers = {std::nullopt};
    dlg_->OnFileOpen();
    QCOMPARE(platform_.openFilters.size(), opened + 1);
    QVERIFY(!dlg_->HasUnsavedEdits());
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() != QByteArray(reinterpret_cast<const char*>(samples::MakeDemoImage().data()),
                                         static_cast<qsizetype>(samples::MakeDemoImage().size())));

    // Discard: closing goes on without saving.
    Lock(1);
    platform_.unsavedAnswers = {UnsavedAnswer::Cancel};
    dlg_->close();
    QVERIFY(dlg_->isVisible());
    platform_.unsavedAnswers = {UnsavedAnswer::Discard};
    dlg_->close();
    QVERIFY(!dlg_->isVisible());
    QCOMPARE(platform_.saveInitialNames.size(), qsizetype{2});
}

void WindowFeedbackTest::theDesktopsQuestionTakesEscapeAsCancel()
{
    QtPlatform real;
    QStringList buttons;
    QTimer answer;
    answer.setSingleShot(true);
    answer.callOnTimeout([&buttons] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* button : box->buttons())
            buttons << WithoutAccessKey(button->text());
        QTest::keyClick(box, Qt::Key_Escape);
    });
    answer.start(0);
    QCOMPARE(real.AskSaveDiscardCancel(dlg_.get(), QStringLiteral("Save?"), QStringLiteral("Korvex")),
             UnsavedAnswer::Cancel);
    buttons.sort();
    QCOMPARE(buttons, QStringList({"Cancel", "Discard", "Save"}));
}

void WindowFeedbackTest::imageDialogsStartWhereTheImageIsAndScanTablesKeepTheirFolder()
{
    const QString images = Folder(QStringLiteral("images"));
    OpenDemo(QStringLiteral("images"));

    // Update transponders… from a table in a folder of its own; the file is
    // no table, which does not matter here.
    const QString tables = Folder(QStringLiteral("tables"));
    dlg_->channelTree->setCurrentItem(SatelliteRoot()->child(0));
    platform_.openAnswers = {WriteTestFile(dir_, QStringLiteral("tables/Astra-19.2E"), Bytes{'x'})};
    dlg_->OnToolsUpdateTransponders();
    QCOMPARE(platform_.messages.size(), std::size_t{1});

    platform_.saveAnswers = {std::nullopt};
    dlg_->OnFileSave();
    QCOMPARE(platform_.saveFolders.constLast(), images);
    QCOMPARE(platform_.saveInitialNames.constLast(), QStringLiteral("KV2930_FlashMapNew.bin"));
    for (const auto& command : {&CKorvexDlg::OnFileOpen, &CKorvexDlg::OnCompareWith, &CKorvexDlg::OnApplyEarlierList}) {
        platform_.openAnswers = {std::nullopt};
        (dlg_.get()->*command)();
        QCOMPARE(platform_.openFolders.constLast(), images);
    }
    platform_.openAnswers = {std::nullopt};
    dlg_->OnToolsUpdateTransponders();
    QCOMPARE(platform_.openFolders.constLast(), tables);

    // A save elsewhere moves the image dialogs there and is proposed again.
    const QString elsewhere = Folder(QStringLiteral("elsewhere"));
    platform_.saveAnswers = {QDir(elsewhere).filePath(QStringLiteral("mine.bin"))};
    dlg_->OnFileSave();
    platform_.saveAnswers = {std::nullopt};
    dlg_->OnFileSave();
    QCOMPARE(platform_.saveFolders.constLast(), elsewhere);
    QCOMPARE(platform_.saveInitialNames.constLast(), QStringLiteral("mine.bin"));
    platform_.openAnswers = {std::nullopt};
    dlg_->OnFileOpen();
    QCOMPARE(platform_.openFolders.constLast(), elsewhere);
}

void WindowFeedbackTest::undoNamesTheActionDone_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("label");
    QTest::newRow("lock") << "lock" << "Lock";
    QTest::newRow("unlock") << "unlock" << "Unlock";
    const char* groups[] = {"Movies", "Music", "Cartoons", "News", "Sport", "Adult"};
    for (int group = 0; group < 6; ++group) {
        QTest::addRow("add to %s", groups[group]) << QStringLiteral("join%1").arg(group)
                                                 << QStringLiteral("Add to %1").arg(QLatin1String(groups[group]));
        QTest::addRow("remove from %s", groups[group]) << QStringLiteral("leave%1").arg(group)
                                                      << QStringLiteral("Remove from %1").arg(QLatin1String(groups[group]));
    }
}

void WindowFeedbackTest::undoNamesTheActionDone()
{
    QFETCH(QString, action);
    QFETCH(QString, label);
    OpenDemo(QStringLiteral("images"));
    // Rows of locked and unlocked programs, in every group and in none, so
    // that each action changes something.
    dlg_->SelectRows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EditActions& a = *dlg_->editActions;
    QAction* chosen = action == QLatin1String("lock")     ? a.lock
                      : action == QLatin1String("unlock") ? a.unlock
                      : action.startsWith(QLatin1String("join"))
                          ? a.joinGroup[static_cast<std::size_t>(action.back().digitValue())]
                          : a.leaveGroup[static_cast<std::size_t>(action.back().digitValue())];
    if (action.startsWith(QLatin1String("leave")))  // first into the group, so that leaving changes something
        a.joinGroup[static_cast<std::size_t>(action.back().digitValue())]->trigger();
    if (action == QLatin1String("unlock"))
        a.lock->trigger();
    dlg_->SelectRows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    chosen->trigger();
    QCOMPARE(Plain(a.undo), QStringLiteral("Undo ") + label);
    dlg_->OnUndo();
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Undid %1.").arg(label));
    QCOMPARE(Plain(a.redo), QStringLiteral("Redo ") + label);
}

void WindowFeedbackTest::aFindWithoutMatchAndAnArrangingKeyThatCannotRunSayWhy()
{
    OpenDemo(QStringLiteral("images"));
    dlg_->findField->setText(QStringLiteral("11034"));
    QCOMPARE(dlg_->channelList->model()->rowCount(), 0);
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("No program matches 11034."));
    dlg_->findField->setText(QStringLiteral("Rai"));
    QCOMPARE(dlg_->channelList->model()->rowCount(), 2);
    QVERIFY(dlg_->statusLine->text().isEmpty());

    // Ctrl+Down would move the row, but the list shows only some programs.
    const Bytes before(app_.state().image().bytes.begin(), app_.state().image().bytes.end());
    dlg_->channelList->setFocus();
    dlg_->channelList->selectRow(0);
    QTest::keyClick(dlg_->channelList, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(dlg_->statusLine->text(), dlg_->editActions->moveDown->toolTip());
    QVERIFY(dlg_->statusLine->text().startsWith(QStringLiteral("Clear the find field")));
    QVERIFY(std::equal(before.begin(), before.end(), app_.state().image().bytes.begin()));
    QVERIFY(!dlg_->HasUnsavedEdits());
}

void WindowFeedbackTest::selectingAKindSaysWhatWasLookedForAndFound()
{
    OpenDemo(QStringLiteral("images"));
    EditActions& a = *dlg_->editActions;
    a.selectKind[0]->trigger();  // Duplicates
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Selected 0 of the 11 rows shown: Duplicates, none found."));
    a.selectLocked->trigger();
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Selected 1 of the 11 rows shown: Locked, 1 found."));
    // Under the Radio tab the locked TV program is not shown.
    dlg_->kindTabs->setCurrentIndex(1);
    a.selectLocked->trigger();
    QCOMPARE(dlg_->statusLine->text(),
             QStringLiteral("Selected 0 of the 3 rows shown: Locked, 1 found, 1 of them not shown."));
}

void WindowFeedbackTest::theToolButtonsSayWhatTheyStartAndWhetherItIsThere()
{
    const QString bin = Folder(QStringLiteral("bin"));
    Folder(QStringLiteral("bin/Config"));
    WriteTestFile(dir_, QStringLiteral("bin/Config/Burnix.exe"), Bytes{0});
    platform_.executablePath = QDir(bin).filePath(QStringLiteral("korvex"));
    dlg_->OnToolsUpgrade();  // the tips are made anew whenever a tool is started
    const QString config = QDir::toNativeSeparators(QDir(bin).filePath(QStringLiteral("Config")));
    QCOMPARE(res::FindControl<QPushButton>(dlg_.get(), res::IDC_UPGRADE)->toolTip(),
             QStringLiteral("Starts %1/Burnix.exe.").arg(config));
    QCOMPARE(res::FindControl<QPushButton>(dlg_.get(), res::IDC_DUMP)->toolTip(),
             QStringLiteral("Starts %1/Pullix.exe, which is not there: it is a separate program installed beside "
                            "Korvex.")
                 .arg(config));
}

void WindowFeedbackTest::everyMenuAndItemHasAnAccessKeyAndTheKeysReachThem()
{
    OpenDemo(QStringLiteral("images"));
    QMenuBar* bar = dlg_->findChild<QMenuBar*>();
    QStringList missing;
    QStringList twice;
    const auto keyOf = [](const QString& text) {
        const qsizetype mark = text.indexOf(QLatin1Char('&'));
        return mark >= 0 && mark + 1 < text.size() ? text[mark + 1].toLower() : QChar();
    };
    std::function<void(const QList<QAction*>&, const QString&)> check = [&](const QList<QAction*>& actions,
                                                                              const QString& where) {
        QSet<QChar> keys;
        for (const QAction* action : actions) {
            if (action->isSeparator())
                continue;
            const QChar key = keyOf(action->text());
            if (key.isNull())
                missing << where + action->text();
            else if (keys.contains(key))
                twice << where + action->text();
            keys.insert(key);
            if (action->menu())
                check(action->menu()->actions(), where + Plain(action) + QLatin1String(" > "));
        }
    };
    check(bar->actions(), QString());
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1String(", "))));
    QVERIFY2(twice.isEmpty(), qPrintable(twice.join(QLatin1String(", "))));
    // The texts themselves are as they were.
    QStringList titles;
    for (const QAction* popup : bar->actions())
        titles << Plain(popup);
    QCOMPARE(titles, QStringList({"File", "Edit", "Tools", "Names", "Help"}));
    QCOMPARE(bar->actions().first()->text(), QStringLiteral("&File"));

    // Alt+F opens File; F10 goes to the menu bar.
    QTest::keyClick(dlg_.get(), Qt::Key_F, Qt::AltModifier);
    QVERIFY(QApplication::activePopupWidget());
    QCOMPARE(QApplication::activePopupWidget(), bar->actions().first()->menu());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    bar->setActiveAction(nullptr);
    QTest::keyClick(dlg_->channelList, Qt::Key_F10);
    QCOMPARE(bar->activeAction(), bar->actions().first());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    bar->setActiveAction(nullptr);

    // The context-menu key opens the list's menu.
    dlg_->channelList->setFocus();
    dlg_->channelList->selectRow(2);
    QTest::keyClick(dlg_->channelList, Qt::Key_Menu);
    QCOMPARE(QApplication::activePopupWidget(), dlg_->editActions->Menu());
    dlg_->editActions->Menu()->close();
}

void WindowFeedbackTest::theListFitsTheWindow_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("as it opens") << QSize();
    QTest::newRow("1024x700") << QSize(1024, 700);
    QTest::newRow("1600x1000") << QSize(1600, 1000);
}

void WindowFeedbackTest::theListFitsTheWindow()
{
    QFETCH(QSize, size);
    OpenDemo(QStringLiteral("images"));
    if (size.isValid())
        dlg_->resize(size);
    QCoreApplication::processEvents();
    QTableView* list = dlg_->channelList;
    QHeaderView* header = list->horizontalHeader();
    const QAbstractItemView* view = list;
    QVERIFY(header->stretchLastSection());
    for (const std::uint32_t listType : {kListAllPrograms, kListSatellites}) {
        if (listType == kListSatellites) {
            // The satellite list's twelve columns fit a window 1280 pixels wide.
            dlg_->resize(dlg_->size().expandedTo(QSize(1280, 0)));
            dlg_->channelTree->setCurrentItem(SatelliteRoot());
            QCoreApplication::processEvents();
        }
        QVERIFY2(header->length() <= list->viewport()->width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(header->length()).arg(list->viewport()->width())));
        for (int c = 0; c + 1 < header->count(); ++c)
            QVERIFY(list->columnWidth(c) >= std::max(view->sizeHintForColumn(c), header->sectionSizeHint(c)));
    }

    // The frames span the window as the list does, and nothing lies outside it.
    QWidget* client = list->parentWidget();
    const QWidget* buttonFrame = res::FindControl<QWidget>(dlg_.get(), res::IDC_STATIC);
    const QWidget* countFrame = res::FindControl<QWidget>(dlg_.get(), res::IDC_COUNT_FRAME);
    QVERIFY(qAbs(buttonFrame->geometry().right() - countFrame->geometry().right()) <= 3);
    for (const QWidget* control : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QVERIFY2(client->rect().contains(control->geometry()), qPrintable(control->objectName()));
}

int main(int argc, char** argv)
{
    FakePlatform platform;
    CKorvexApp app(argc, argv, platform);
    WindowFeedbackTest test(app, platform);
    return QTest::qExec(&test, argc, argv);
}

#include "WindowFeedbackTest.moc"
