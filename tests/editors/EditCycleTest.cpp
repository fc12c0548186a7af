// The edit cycle from the window: a double click opens the editor for the
// row, OK encodes the record into the image, and the window shows the image
// as it now stands. Every check looks at the image bytes.

#include "db/Queries.h"
#include "res/EditorTemplates.h"
#include "res/ResourceIds.h"
#include "tests/support/ImageBuilder.h"
#include "tests/ui/FakePlatform.h"
#include "ui/CKorvexApp.h"
#include "ui/CKorvexDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <clocale>
#include <functional>
#include <memory>

using namespace korvex;
using korvex::testing::BuiltImage;
using korvex::testing::Bytes;
using korvex::testing::FakePlatform;
using korvex::testing::ImageBuilder;
using korvex::testing::Name;

namespace {

BuiltImage SampleImage()
{
    ImageBuilder builder(1);
    SatRecord astra;
    astra.satId = 1;
    astra.satName = Name("Astra");
    astra.lnbType = 2;
    astra.lnbPower = 2;
    astra.longitude = 192;
    SatRecord hotbird = astra;
    hotbird.satId = 2;
    hotbird.satName = Name("Hotbird");
    builder.AddSat(astra).AddSat(hotbird);
    TpRecord tp;
    tp.tpId = 10;
    tp.satId = 1;
    tp.frequency = 11494;
    tp.opaque2 = 3;
    tp.symbolRate = 22000;
    builder.AddTp(tp);
    tp.tpId = 20;
    tp.satId = 2;
    tp.frequency = 10992;
    builder.AddTp(tp);
    tp.tpId = 30;
    tp.satId = 99;  // no satellite has this id
    builder.AddTp(tp);

    ProgRecord prog;
    prog.satId = 2;
    prog.tpId = 20;
    prog.videoPid = 100;
    prog.audioPid = 101;
    prog.pcrPid = 102;
    prog.serviceId = 7;
    prog.opaque13 = 0x1234;
    prog.opaque3 = 5;
    prog.progName = Name("Rai 1");
    prog.unlocked = 1;
    prog.favBits = 0x7E;
    prog.tailWords = {0x11223344, 0x55667788};
    builder.AddTv(prog);
    ProgRecord noVideo = prog;
    noVideo.videoPid = 0;
    noVideo.progName = Name("TV silent");
    builder.AddTv(noVideo);
    ProgRecord radio = noVideo;
    radio.progName = Name("Radio 105");
    radio.satId = 42;  // no satellite has this id
    radio.videoPid = 0x0ABC;  // bits the radio table does not decode
    builder.AddRadio(radio);
    return builder.Build();
}

} // namespace

class EditCycleTest : public QObject {
    Q_OBJECT

public:
    EditCycleTest(CKorvexApp& app, FakePlatform& platform) : app_(app), platform_(platform) {}

private slots:
    void init();
    void cleanup();

    void editsASatelliteAndShowsItInListTreeAndImage();
    void editsATransponderKeepingItsPolarisationAndSatellite();
    void editsATvProgramKeepingEveryOtherBit();
    void opensTheTvTableProgramListedUnderTheRadioTab();
    void showsTheProgramsOwnSatelliteOrNone();
    void cancelWritesNothing();
    void enterStoresWhatWasTypedAndEscapeDoesNot();
    void aTransponderWithoutSatelliteEndsAsCancelled();
    void refusesAListTypeWithoutEditor();
    void onlyTheLeftButtonsDoubleClickOpensAnEditor();
    void anUnchangedNameKeepsItsBytes();
    void asksBeforeUnsavedEditsAreDropped();
    void savesAnImageThatDiffersExactlyWhereTheEditsWent();
    void aRadioProgramKeepsItsVideoBitsAndTakesNoVideoPid();
    void lockAndFavouritesReachTheEditedRowAmongEqualEntries();
    void aRecordBeyondTheFlashSizeOpensNoEditor_data();
    void aRecordBeyondTheFlashSizeOpensNoEditor();
    void openAsksBeforeEditsAreDroppedAndCancelKeepsThem();
    void namesAreStoredInTheImagesCharsetOrRefused();
    void everyNumberFieldRefusesOnePastItsRangeAndTakesItsMaximum_data();
    void everyNumberFieldRefusesOnePastItsRangeAndTakesItsMaximum();
    void aTextThatIsNoNumberIsRefusedAndNothingWritten();
    void theNameTakesTwelveBytesTypedAndRefusesALongerPastedOne_data();
    void theNameTakesTwelveBytesTypedAndRefusesALongerPastedOne();

private:
    // Selects a list row and double-clicks; `act` runs on the editor.
    void EditRow(int row, const std::function<void(QDialog*)>& act);
    // Lists the records of one editor: "sat" the satellites, "tp" the
    // transponders of the second satellite, "prog" all TV programs; the
    // record edited is then the one in row 0 (the second satellite for "sat").
    int ListFor(const QString& editor);
    // The value a number field's record holds after the reload.
    std::uint32_t StoredNumber(const QString& editor, int id) const;
    // Key presses carrying the characters, as typing them does.
    static void TypeKeys(QWidget* widget, const QString& text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
        }
    }
    void Open(const Bytes& bytes);
    QString Cell(int row, int column) const;
    std::uint8_t ImageByte(std::uint32_t offset) const { return app_.state().image().bytes[offset]; }
    std::uint16_t ImageWord(std::uint32_t offset) const
    {
        return static_cast<std::uint16_t>(ImageByte(offset) << 8 | ImageByte(offset + 1));
    }
    QTreeWidgetItem* SatelliteRoot() const { return dlg_->channelTree->topLevelItem(1); }
    Bytes ImageNow() const
    {
        const auto& bytes = app_.state().image().bytes;
        return Bytes(bytes.begin(), bytes.begin() + built_.bytes.size());
    }
    static void Type(QDialog* editor, int id, const QString& text)
    {
        QLineEdit* edit = res::FindControl<QLineEdit>(editor, id);
        QVERIFY(edit);
        edit->setText(text);
    }
    static QString Text(QDialog* editor, int id) { return res::FindControl<QLineEdit>(editor, id)->text(); }
    static void Choose(QDialog* editor, int id, int position)
    {
        QComboBox* combo = res::FindControl<QComboBox>(editor, id);
        QVERIFY(combo);
        combo->setCurrentIndex(position);
        emit combo->activated(position);
    }
    static void Click(QDialog* editor, int id) { res::FindControl<QPushButton>(editor, id)->click(); }
    static int OkId(const QString& editor)
    {
        return editor == QLatin1String("sat") ? res::sat_edit::IDC_OK
               : editor == QLatin1String("tp") ? res::tp_edit::IDC_OK
                                               : res::prog_edit::IDC_OK;
    }

    CKorvexApp& app_;
    FakePlatform& platform_;
    std::unique_ptr<CKorvexDlg> dlg_;
    BuiltImage built_;
    QTemporaryDir dir_;
    bool editorRan_ = false;
};

void EditCycleTest::init()
{
    app_.state().list() = *std::make_unique<ListState>();
    platform_.Reset();
    dlg_ = std::make_unique<CKorvexDlg>(app_.state(), platform_);
    dlg_->OnInitDialog();
    dlg_->show();
    built_ = SampleImage();
    Open(built_.bytes);
}

void EditCycleTest::cleanup()
{
    platform_.unsavedAnswers.push_back(UnsavedAnswer::Discard);
    dlg_.reset();
}

void EditCycleTest::Open(const Bytes& bytes)
{
    const QString path = dir_.filePath(QStringLiteral("image.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    file.close();
    platform_.openAnswers.push_back(path);
    dlg_->OnFileOpen();
    QVERIFY(platform_.messages.empty());
}

void EditCycleTest::EditRow(int row, const std::function<void(QDialog*)>& act)
{
    editorRan_ = false;
    QTimer editing;  // ends with this call, fired or not
    editing.setSingleShot(true);
    editing.callOnTimeout([this, act] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!editor)
            return;
        editorRan_ = true;
        act(editor);
        if (editor->isVisible())
            editor->reject();
    });
    editing.start(0);
    dlg_->channelList->selectRow(row);
    dlg_->OnListDblClk();
    QVERIFY(editorRan_);
}

QString EditCycleTest::Cell(int row, int column) const
{
    const QAbstractItemModel* model = dlg_->channelList->model();
    return model->data(model->index(row, column)).toString();
}

void EditCycleTest::editsASatelliteAndShowsItInListTreeAndImage()
{
    using namespace res::sat_edit;
    dlg_->channelTree->setCurrentItem(SatelliteRoot());
    EditRow(1, [](QDialog* editor) {
        QCOMPARE(Text(editor, IDC_NUMBER), QStringLiteral("1"));
        QCOMPARE(Text(editor, IDC_NAME), QStringLiteral("Hotbird"));
        QCOMPARE(res::FindControl<QComboBox>(editor, IDC_LNB_TYPE)->currentText(), QStringLiteral("Universal"));
        Type(editor, IDC_NAME, QStringLiteral("Hot Bird 13E"));
        Type(editor, IDC_LONGITUDE, QStringLiteral("1300"));
        Type(editor, IDC_POSITION, QStringLiteral("35"));
        Choose(editor, IDC_LNB_TYPE, 0);
        Choose(editor, IDC_DISEQC10, 4);
        Click(editor, IDC_OK);
    });
    QVERIFY(editorRan_);
    const std::uint32_t at = built_.RecordOffset(BlockId::Satellites, 1);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(&app_.state().image().bytes[at + 10]), 12),
             QByteArray("Hot Bird 13E"));
    QCOMPARE(ImageWord(at + 2), std::uint16_t{1300});
    // Switch word: diseqc10 4 in bits 13..11, lnbType 0, lnbPower 2 in bits 7..6, position 35.
    QCOMPARE(ImageWord(at + 8), std::uint16_t{(4 << 11) | (2 << 6) | 35});
    QCOMPARE(Cell(1, 1), QStringLiteral("Hot Bird 13E"));
    QCOMPARE(Cell(1, 2), QStringLiteral("1300"));
    QCOMPARE(Cell(1, 3), QStringLiteral("User"));
    QCOMPARE(SatelliteRoot()->child(1)->text(0), QStringLiteral("  1_Hot Bird 13E(1)"));
    QVERIFY(dlg_->HasUnsavedEdits());
}

void EditCycleTest::editsATransponderKeepingItsPolarisationAndSatellite()
{
    using namespace res::tp_edit;
    SatelliteRoot()->setExpanded(true);
    dlg_->channelTree->setCurrentItem(SatelliteRoot()->child(1));
    EditRow(0, [](QDialog* editor) {
        QCOMPARE(Text(editor, IDC_SAT_NUMBER), QStringLiteral("1"));
        QCOMPARE(Text(editor, IDC_SAT_NAME), QStringLiteral("Hotbird"));
        QCOMPARE(Text(editor, IDC_TP_NUMBER), QStringLiteral("0"));
        QCOMPARE(editor->focusWidget(), res::FindControl<QWidget>(editor, IDC_OK));
        Type(editor, IDC_FREQUENCY, QStringLiteral("3616"));
        Type(editor, IDC_SYMBOL_RATE, QStringLiteral("4464"));
        Choose(editor, IDC_POLARISATION, 1);
        Click(editor, IDC_OK);
    });
    const std::uint32_t at = built_.RecordOffset(BlockId::Transponders, 1);
    QCOMPARE(ImageWord(at + 2), std::uint16_t{(2 << 2) | 3});  // satId and opaque2 untouched
    QCOMPARE(ImageWord(at + 4), std::uint16_t{3616 * 4 + 1});
    QCOMPARE(ImageWord(at + 6), std::uint16_t{4464});
    QCOMPARE(Cell(0, 1), QStringLiteral("3616"));
    QCOMPARE(Cell(0, 2), QStringLiteral("1"));
    QCOMPARE(SatelliteRoot()->child(1)->child(0)->text(0), QStringLiteral("  0_ 3616"));
    QVERIFY(SatelliteRoot()->isExpanded());
    QCOMPARE(dlg_->channelTree->currentItem(), SatelliteRoot()->child(1));
}

void EditCycleTest::editsATvProgramKeepingEveryOtherBit()
{
    using namespace res::prog_edit;
    EditRow(0, [](QDialog* editor) {
        QCOMPARE(Text(editor, IDC_PROG_NUMBER), QStringLiteral("0"));
        QCOMPARE(Text(editor, IDC_NAME), QStringLiteral("Rai 1"));
        Type(editor, IDC_NAME, QStringLiteral("Rai Uno"));
        Type(editor, IDC_VIDEO_PID, QStringLiteral("1807"));
        Type(editor, IDC_AUDIO_PID, QStringLiteral("0"));
        Type(editor, IDC_SERVICE_ID, QStringLiteral("4464"));
        Choose(editor, IDC_TRACK, 1);
        Choose(editor, IDC_CHILD_LOCK, 0);
        res::FindControl<QCheckBox>(editor, IDC_FAVOURITES[0])->setChecked(true);  // Movies
        res::FindControl<QCheckBox>(editor, IDC_FAVOURITES[4])->setChecked(true);  // Sport
        Click(editor, IDC_OK);
    });
    const std::uint32_t at = built_.RecordOffset(BlockId::TvPrograms, 0);
    QCOMPARE(ImageWord(at + 4), std::uint16_t{4464});
    QCOMPARE(ImageWord(at + 6), std::uint16_t{(102 << 3) | 1});                 // track 1, pcr kept
    QCOMPARE(ImageWord(at + 10), std::uint16_t{1807});
    QCOMPARE(ImageWord(at + 8), std::uint16_t{0x1234 << 2});                    // opaque13 untouched
    QCOMPARE(ImageWord(at + 12), std::uint16_t{5});                              // audio 0, opaque3 kept
    QCOMPARE(ImageByte(at + 28), std::uint8_t{0x44});                           // tail bytes as they were
    QCOMPARE(ImageByte(built_.EntryOffset(BlockId::TvPrograms, 0)), std::uint8_t{0x7E & ~0x02 & ~0x20});
    QCOMPARE(Cell(0, 1), QStringLiteral("Rai Uno"));
    QCOMPARE(Cell(0, 8), QStringLiteral("1"));
    QCOMPARE(Cell(0, 9), QStringLiteral("Movies/Sport/"));
}

void EditCycleTest::opensTheTvTableProgramListedUnderTheRadioTab()
{
    using namespace res::prog_edit;
    dlg_->kindTabs->setCurrentIndex(1);
    QCOMPARE(Cell(0, 1), QStringLiteral("TV silent"));
    EditRow(0, [](QDialog* editor) {
        QCOMPARE(Text(editor, IDC_NAME), QStringLiteral("TV silent"));
        QCOMPARE(Text(editor, IDC_PROG_NUMBER), QStringLiteral("1"));
        Choose(editor, IDC_CHILD_LOCK, 0);
        Click(editor, IDC_OK);
    });
    // Its flag byte lives in the TV table, and that is where the change went.
    QCOMPARE(ImageByte(built_.EntryOffset(BlockId::TvPrograms, 1)), std::uint8_t{0x7E});
    QCOMPARE(ImageByte(built_.EntryOffset(BlockId::RadioPrograms, 0)), std::uint8_t{0x7F});
    QCOMPARE(Cell(0, 8), QStringLiteral("1"));
    QCOMPARE(Cell(1, 1), QStringLiteral("Radio 105"));
}

void EditCycleTest::showsTheProgramsOwnSatelliteOrNone()
{
    using namespace res::prog_edit;
    EditRow(0, [](QDialog* editor) {
        QCOMPARE(Text(editor, IDC_SAT_NUMBER), QStringLiteral("1"));
        QCOMPARE(Text(editor, IDC_SAT_NAME), QStringLiteral("Hotbird"));
        QCOMPARE(Text(editor, IDC_TP_ID), QStringLiteral("20"));
    });
    dlg_->kindTabs->setCurrentIndex(1);
    EditRow(1, [](QDialog* editor) {
        QCOMPARE(Text(editor, IDC_NAME), QStringLiteral("Radio 105"));
        QVERIFY(Text(editor, IDC_SAT_NUMBER).isEmpty());
        QVERIFY(Text(editor, IDC_SAT_NAME).isEmpty());
    });
}

void EditCycleTest::cancelWritesNothing()
{
    const Bytes before = ImageNow();
    dlg_->channelTree->setCurrentItem(SatelliteRoot());
    EditRow(0, [](QDialog* editor) {
        Type(editor, res::sat_edit::IDC_NAME, QStringLiteral("Changed"));
        Choose(editor, res::sat_edit::IDC_LNB_POWER, 0);
        Click(editor, res::sat_edit::IDC_CANCEL);
    });
    QVERIFY(editorRan_);
    QVERIFY(ImageNow() == before);
    QVERIFY(!dlg_->HasUnsavedEdits());
    // The combo's choice went into the live record only.
    QCOMPARE(app_.state().database().sats[0].lnbPower, 0u);
    QCOMPARE(Cell(0, 4), QStringLiteral("Auto"));

    dlg_->channelTree->setCurrentItem(dlg_->channelTree->topLevelItem(0));  // AllPrograms
    EditRow(0, [](QDialog* editor) {
        Choose(editor, res::prog_edit::IDC_TRACK, 2);
        Click(editor, res::prog_edit::IDC_CANCEL);
    });
    QVERIFY(ImageNow() == before);
}

void EditCycleTest::enterStoresWhatWasTypedAndEscapeDoesNot()
{
    using namespace res::prog_edit;
    const Bytes before = ImageNow();
    EditRow(0, [](QDialog* editor) {
        Type(editor, IDC_SERVICE_ID, QStringLiteral("99"));
        QTest::keyClick(res::FindControl<QLineEdit>(editor, IDC_NAME), Qt::Key_Escape);
    });
    QVERIFY(ImageNow() == before);
    EditRow(0, [](QDialog* editor) {
        Type(editor, IDC_SERVICE_ID, QStringLiteral("99"));
        QTest::keyClick(res::FindControl<QLineEdit>(editor, IDC_SERVICE_ID), Qt::Key_Return);
    });
    QCOMPARE(ImageWord(built_.RecordOffset(BlockId::TvPrograms, 0) + 4), std::uint16_t{99});
}

void EditCycleTest::aTransponderWithoutSatelliteEndsAsCancelled()
{
    const Bytes before = ImageNow();
    dlg_->channelTree->setCurrentItem(SatelliteRoot()->child(0));
    // List the transponder whose satId no satellite in the image carries, as
    // if the live record of satellite 0 had that id.
    app_.state().database().sats[0].satId = 99;
    dlg_->FillList(kListSatTransponders);
    QCOMPARE(dlg_->channelList->model()->rowCount(), 1);
    bool opened = false;
    QTimer watch;  // ends with this test, fired or not
    watch.setSingleShot(true);
    watch.callOnTimeout([&opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = true;
            static_cast<QDialog*>(modal)->reject();
        }
    });
    watch.start(0);
    dlg_->channelList->selectRow(0);
    dlg_->OnListDblClk();
    QCoreApplication::processEvents();
    QVERIFY(!opened);
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QCOMPARE(platform_.messages[0].text, QStringLiteral("Can't find the current sat no.!"));
    QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
    QVERIFY(ImageNow() == before);
    QCOMPARE(app_.state().list().RecordEdited, 0u);
}

void EditCycleTest::refusesAListTypeWithoutEditor()
{
    dlg_->channelList->selectRow(0);
    app_.state().list().ListType = 3;
    dlg_->OnListDblClk();
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QCOMPARE(platform_.messages[0].text, QStringLiteral("The list type is not right!"));
    QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
}

void EditCycleTest::onlyTheLeftButtonsDoubleClickOpensAnEditor()
{
    dlg_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg_.get()));
    const QPoint onRow = dlg_->channelList->visualRect(dlg_->channelList->model()->index(0, 1)).center();
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton, Qt::LeftButton}) {
        bool opened = false;
        QTimer watch;
        watch.setSingleShot(true);
        watch.callOnTimeout([&opened] {
            if (auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                opened = true;
                editor->reject();
            }
        });
        watch.start(0);
        // A click, then the event a second click within the double-click time
        // becomes.
        QWidget* viewport = dlg_->channelList->viewport();
        QTest::mouseClick(viewport, button, {}, onRow);
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, onRow, viewport->mapToGlobal(onRow), button, button, {});
        QApplication::sendEvent(viewport, &doubleClick);
        QCoreApplication::processEvents();
        QCOMPARE(opened, button == Qt::LeftButton);
    }
}

void EditCycleTest::anUnchangedNameKeepsItsBytes()
{
    const char* previous = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = previous ? previous : "C";
    QVERIFY(std::setlocale(LC_CTYPE, "C.UTF-8"));
    BuiltImage image = SampleImage();
    const std::uint32_t nameAt = image.RecordOffset(BlockId::TvPrograms, 0) + 14;
    image.bytes[nameAt] = 0xFF;  // not UTF-8
    built_ = image;
    Open(image.bytes);
    EditRow(0, [](QDialog* editor) {
        Type(editor, res::prog_edit::IDC_SERVICE_ID, QStringLiteral("8"));
        Click(editor, res::prog_edit::IDC_OK);
    });
    std::setlocale(LC_CTYPE, saved.c_str());
    QCOMPARE(ImageByte(nameAt), std::uint8_t{0xFF});
    QCOMPARE(ImageWord(image.RecordOffset(BlockId::TvPrograms, 0) + 4), std::uint16_t{8});
}

void EditCycleTest::asksBeforeUnsavedEditsAreDropped()
{
    EditRow(0, [](QDialog* editor) { Click(editor, res::prog_edit::IDC_OK); });
    QVERIFY2(!dlg_->HasUnsavedEdits(), "an OK that changed no byte leaves nothing to save");
    EditRow(0, [](QDialog* editor) {
        Type(editor, res::prog_edit::IDC_SERVICE_ID, QStringLiteral("4242"));
        Click(editor, res::prog_edit::IDC_OK);
    });
    QVERIFY(dlg_->HasUnsavedEdits());
    platform_.unsavedAnswers.push_back(UnsavedAnswer::Cancel);
    QTest::keyClick(dlg_->channelList, Qt::Key_Escape);
    QVERIFY(dlg_->isVisible());
    QCOMPARE(platform_.questions.size(), std::size_t{1});
    platform_.unsavedAnswers.push_back(UnsavedAnswer::Cancel);
    dlg_->OnCommand(res::ID_FILE_EXIT);
    QVERIFY(dlg_->isVisible());
    platform_.unsavedAnswers.push_back(UnsavedAnswer::Discard);
    dlg_->close();
    QVERIFY(!dlg_->isVisible());
    QCOMPARE(platform_.questions.size(), std::size_t{3});
}

void EditCycleTest::savesAnImageThatDiffersExactlyWhereTheEditsWent()
{
    EditRow(0, [](QDialog* editor) {
        Type(editor, res::prog_edit::IDC_AUDIO_PID, QStringLiteral("200"));
        Click(editor, res::prog_edit::IDC_OK);
    });
    const QString target = dir_.filePath(QStringLiteral("saved.bin"));
    platform_.saveAnswers.push_back(target);
    dlg_->OnFileSave();
    QVERIFY(!dlg_->HasUnsavedEdits());
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QCOMPARE(static_cast<std::size_t>(bytes.size()), built_.bytes.size());
    QList<std::uint32_t> changed;
    for (std::uint32_t i = 0; i < built_.bytes.size(); ++i)
        if (static_cast<std::uint8_t>(bytes[i]) != built_.bytes[i])
            changed << i;
    const std::uint32_t at = built_.RecordOffset(BlockId::TvPrograms, 0);
    QCOMPARE(changed, QList<std::uint32_t>({at + 12, at + 13}));
    dlg_->close();
    QVERIFY(platform_.questions.empty());
}

void EditCycleTest::aRadioProgramKeepsItsVideoBitsAndTakesNoVideoPid()
{
    using namespace res::prog_edit;
    dlg_->kindTabs->setCurrentIndex(1);
    QCOMPARE(Cell(1, 1), QStringLiteral("Radio 105"));
    EditRow(1, [](QDialog* editor) {
        QLineEdit* videoPid = res::FindControl<QLineEdit>(editor, IDC_VIDEO_PID);
        QCOMPARE(videoPid->text(), QStringLiteral("0"));
        QVERIFY(!videoPid->isEnabled());
        videoPid->setText(QStringLiteral("1234"));  // whatever stands there is not read
        Type(editor, IDC_NAME, QStringLiteral("Radio 106"));
        Click(editor, IDC_OK);
    });
    const std::uint32_t at = built_.RecordOffset(BlockId::RadioPrograms, 0);
    for (std::uint32_t i = 8; i < 12; ++i)
        QCOMPARE(ImageByte(at + i), built_.bytes[at + i]);
    QCOMPARE(Cell(1, 1), QStringLiteral("Radio 106"));

    // A TV-table program without video listed beside it still takes one.
    EditRow(0, [](QDialog* editor) {
        QVERIFY(res::FindControl<QLineEdit>(editor, IDC_VIDEO_PID)->isEnabled());
        Click(editor, IDC_CANCEL);
    });
}

void EditCycleTest::lockAndFavouritesReachTheEditedRowAmongEqualEntries()
{
    using namespace res::prog_edit;
    // Both TV entries name the first record with the same flag byte.
    BuiltImage image = SampleImage();
    const std::uint32_t first = image.EntryOffset(BlockId::TvPrograms, 0);
    const std::uint32_t second = image.EntryOffset(BlockId::TvPrograms, 1);
    std::copy_n(image.bytes.begin() + first, 4, image.bytes.begin() + second);
    built_ = image;
    Open(image.bytes);
    QCOMPARE(dlg_->channelList->model()->rowCount(), 2);
    EditRow(1, [](QDialog* editor) {
        Choose(editor, IDC_CHILD_LOCK, 0);
        res::FindControl<QCheckBox>(editor, IDC_FAVOURITES[3])->setChecked(true);  // News
        Click(editor, IDC_OK);
    });
    QCOMPARE(ImageByte(first), std::uint8_t{0x7F});
    QCOMPARE(ImageByte(second), std::uint8_t{0x7E & ~0x10});
    QCOMPARE(Cell(0, 8), QStringLiteral("0"));
    QCOMPARE(Cell(1, 8), QStringLiteral("1"));
    QCOMPARE(Cell(1, 9), QStringLiteral("News/"));
}

void EditCycleTest::aRecordBeyondTheFlashSizeOpensNoEditor_data()
{
    QTest::addColumn<int>("listType");
    QTest::newRow("satellite") << int{kListSatellites};
    QTest::newRow("transponder") << int{kListSatTransponders};
    QTest::newRow("program") << int{kListAllPrograms};
}

void EditCycleTest::aRecordBeyondTheFlashSizeOpensNoEditor()
{
    QFETCH(int, listType);
    // A 512 KiB flash in a 1 MiB file whose records lie behind 0x80000: they
    // load and show, but Save writes only the first 0x80000 bytes.
    SatRecord sat;
    sat.satId = 1;
    sat.lnbType = 2;
    sat.lnbPower = 2;
    TpRecord tp;
    tp.satId = 1;
    ProgRecord tv;
    tv.videoPid = 1;
    const BuiltImage image =
        ImageBuilder(1).ImageSize(0x100000).RecordsAt(0x80000).AddSat(sat).AddTp(tp).AddTv(tv).Build();
    built_ = image;
    Open(image.bytes);
    dlg_->selectedSat = 0;
    dlg_->FillList(static_cast<std::uint32_t>(listType));
    QCOMPARE(dlg_->channelList->model()->rowCount(), 1);

    bool opened = false;
    QTimer watch;  // ends with this test, fired or not
    watch.setSingleShot(true);
    watch.callOnTimeout([&opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = true;
            static_cast<QDialog*>(modal)->reject();
        }
    });
    watch.start(0);
    dlg_->channelList->selectRow(0);
    dlg_->OnListDblClk();
    QCoreApplication::processEvents();
    QVERIFY(!opened);
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QCOMPARE(platform_.messages[0].text,
             QStringLiteral("This record lies beyond the image's flash size and cannot be saved."));
    QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
    QVERIFY(ImageNow() == image.bytes);
    QVERIFY(!dlg_->HasUnsavedEdits());
}

void EditCycleTest::openAsksBeforeEditsAreDroppedAndCancelKeepsThem()
{
    EditRow(0, [](QDialog* editor) {
        Type(editor, res::prog_edit::IDC_SERVICE_ID, QStringLiteral("4321"));
        Click(editor, res::prog_edit::IDC_OK);
    });
    const Bytes edited = ImageNow();
    QVERIFY(edited != built_.bytes);

    // Cancel: the file dialog is not even shown.
    platform_.unsavedAnswers.push_back(UnsavedAnswer::Cancel);
    dlg_->OnCommand(res::IDC_OPEN);
    QCOMPARE(platform_.questions.size(), std::size_t{1});
    QCOMPARE(platform_.questions[0].caption, QStringLiteral("Korvex"));
    QCOMPARE(platform_.openFilters.size(), qsizetype{1});  // the Open of init() only

    // Discard, then Cancel in the file dialog: the edited image stays open.
    platform_.unsavedAnswers.push_back(UnsavedAnswer::Discard);
    platform_.openAnswers.push_back(std::nullopt);
    dlg_->OnCommand(res::IDC_OPEN);
    QCOMPARE(platform_.openFilters.size(), qsizetype{2});
    QVERIFY(ImageNow() == edited);
    QVERIFY(dlg_->HasUnsavedEdits());
    QCOMPARE(Cell(0, 2), QStringLiteral("4321"));
    dlg_->channelTree->setCurrentItem(SatelliteRoot());
    QCOMPARE(app_.state().list().ListType, kListSatellites);

    const QString target = dir_.filePath(QStringLiteral("kept.bin"));
    platform_.saveAnswers.push_back(target);
    dlg_->OnFileSave();
    QCOMPARE(platform_.messages.back().text, QStringLiteral("Save Success!"));
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray(reinterpret_cast<const char*>(edited.data()), static_cast<qsizetype>(edited.size())));
}

void EditCycleTest::namesAreStoredInTheImagesCharsetOrRefused()
{
    using namespace res::prog_edit;
    dlg_->OnNameCharset("GBK");
    const Bytes before = ImageNow();
    QString warning;
    EditRow(0, [&](QDialog* editor) {
        Type(editor, IDC_NAME, QStringLiteral("Ωmega☃TV"));
        Click(editor, IDC_OK);
        // Still open, on the name, and nothing written.
        QVERIFY(editor->isVisible());
        QLineEdit* name = res::FindControl<QLineEdit>(editor, IDC_NAME);
        QCOMPARE(name->selectedText(), QStringLiteral("Ωmega☃TV"));
        QVERIFY(ImageNow() == before);
        QCOMPARE(platform_.messages.size(), std::size_t{1});
        warning = platform_.messages[0].text;
        QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
        Type(editor, IDC_NAME, QStringLiteral("中文台"));
        Click(editor, IDC_OK);
    });
    QVERIFY2(warning.contains(QStringLiteral("GBK")) && warning.contains(QStringLiteral("☃")) &&
                 !warning.contains(QStringLiteral("Ω")),
             qPrintable(warning));
    const std::uint32_t at = built_.RecordOffset(BlockId::TvPrograms, 0) + 14;
    const Bytes gbk{0xD6, 0xD0, 0xCE, 0xC4, 0xCC, 0xA8, 0x00};
    for (std::size_t i = 0; i < gbk.size(); ++i)
        QCOMPARE(ImageByte(at + static_cast<std::uint32_t>(i)), gbk[i]);
    QCOMPARE(Cell(0, 1), QStringLiteral("中文台"));
}

int EditCycleTest::ListFor(const QString& editor)
{
    if (editor == QLatin1String("sat")) {
        dlg_->channelTree->setCurrentItem(SatelliteRoot());
        return 1;
    }
    if (editor == QLatin1String("tp")) {
        SatelliteRoot()->setExpanded(true);
        dlg_->channelTree->setCurrentItem(SatelliteRoot()->child(1));
    }
    return 0;
}

std::uint32_t EditCycleTest::StoredNumber(const QString& editor, int id) const
{
    const ChannelDatabase& db = app_.state().database();
    if (editor == QLatin1String("sat")) {
        using namespace res::sat_edit;
        const SatRecord& sat = db.sats[1];
        return id == IDC_LONGITUDE ? sat.longitude
               : id == IDC_LNB_FRE_LOW ? sat.lnbFreLow
               : id == IDC_LNB_FRE_HIGH ? sat.lnbFreHigh
                                        : std::uint32_t{sat.position};
    }
    if (editor == QLatin1String("tp")) {
        const TpRecord& tp = db.tps[1];
        return id == res::tp_edit::IDC_FREQUENCY ? std::uint32_t{tp.frequency} : tp.symbolRate;
    }
    using namespace res::prog_edit;
    const ProgRecord& prog = db.tvProgs[0];
    return id == IDC_VIDEO_PID  ? std::uint32_t{prog.videoPid}
           : id == IDC_AUDIO_PID ? std::uint32_t{prog.audioPid}
           : id == IDC_PCR_PID   ? std::uint32_t{prog.pcrPid}
                                 : prog.serviceId;
}

void EditCycleTest::everyNumberFieldRefusesOnePastItsRangeAndTakesItsMaximum_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("label");
    QTest::addColumn<uint>("max");
    QTest::newRow("Longitude") << "sat" << res::sat_edit::IDC_LONGITUDE << "Longitude" << 65535u;
    QTest::newRow("LnbFreLow") << "sat" << res::sat_edit::IDC_LNB_FRE_LOW << "LnbFreLow" << 65535u;
    QTest::newRow("LnbFreHigh") << "sat" << res::sat_edit::IDC_LNB_FRE_HIGH << "LnbFreHigh" << 65535u;
    QTest::newRow("Postion") << "sat" << res::sat_edit::IDC_POSITION << "Postion" << 63u;
    QTest::newRow("Freq") << "tp" << res::tp_edit::IDC_FREQUENCY << "Freq" << 16383u;
    QTest::newRow("SymbolRate") << "tp" << res::tp_edit::IDC_SYMBOL_RATE << "SymbolRate" << 65535u;
    QTest::newRow("VideoPID") << "prog" << res::prog_edit::IDC_VIDEO_PID << "VideoPID" << 8191u;
    QTest::newRow("AudioPID") << "prog" << res::prog_edit::IDC_AUDIO_PID << "AudioPID" << 8191u;
    QTest::newRow("PCRPID") << "prog" << res::prog_edit::IDC_PCR_PID << "PCRPID" << 8191u;
    QTest::newRow("ServiceID") << "prog" << res::prog_edit::IDC_SERVICE_ID << "ServiceID" << 65535u;
}

void EditCycleTest::everyNumberFieldRefusesOnePastItsRangeAndTakesItsMaximum()
{
    QFETCH(QString, editor);
    QFETCH(int, id);
    QFETCH(QString, label);
    QFETCH(uint, max);
    const int row = ListFor(editor);
    const Bytes before = ImageNow();
    bool closedByOk = false;
    EditRow(row, [&](QDialog* dialog) {
        const QString onePast = QString::number(max + 1);
        Type(dialog, id, onePast);
        Click(dialog, OkId(editor));
        QVERIFY(dialog->isVisible());
        QCOMPARE(platform_.messages.size(), std::size_t{1});
        QCOMPARE(platform_.messages[0].text, QStringLiteral("%1 %2 does not fit: 0 to %3.").arg(label, onePast).arg(max));
        QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
        QLineEdit* field = res::FindControl<QLineEdit>(dialog, id);
        QCOMPARE(dialog->focusWidget(), field);
        QCOMPARE(field->selectedText(), onePast);
        QVERIFY(ImageNow() == before);
        QCOMPARE(app_.state().list().RecordEdited, 0u);

        Type(dialog, id, QString::number(max));
        Click(dialog, OkId(editor));
        closedByOk = !dialog->isVisible();
    });
    QVERIFY(closedByOk);
    QCOMPARE(StoredNumber(editor, id), std::uint32_t{max});
}

void EditCycleTest::aTextThatIsNoNumberIsRefusedAndNothingWritten()
{
    using namespace res::tp_edit;
    ListFor(QStringLiteral("tp"));
    const Bytes before = ImageNow();
    EditRow(0, [&](QDialog* dialog) {
        // A pasted text can hold anything; the field's own check is not all.
        Type(dialog, IDC_FREQUENCY, QStringLiteral("12a"));
        Click(dialog, IDC_OK);
        Type(dialog, IDC_FREQUENCY, QStringLiteral("12000"));
        Type(dialog, IDC_SYMBOL_RATE, QString());
        Click(dialog, IDC_OK);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->focusWidget(), res::FindControl<QWidget>(dialog, IDC_SYMBOL_RATE));
        Click(dialog, IDC_CANCEL);
    });
    QCOMPARE(platform_.messages.size(), std::size_t{2});
    QCOMPARE(platform_.messages[0].text, QStringLiteral("Freq 12a is not a number: 0 to 16383."));
    QCOMPARE(platform_.messages[1].text, QStringLiteral("SymbolRate is empty: type a number from 0 to 65535."));
    QVERIFY(ImageNow() == before);
}

void EditCycleTest::theNameTakesTwelveBytesTypedAndRefusesALongerPastedOne_data()
{
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("taken");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("GBK") << QByteArray("GBK") << QStringLiteral("中文台中文台中") << QStringLiteral("中文台中文台")
                         << QByteArray("\xD6\xD0\xCE\xC4\xCC\xA8\xD6\xD0\xCE\xC4\xCC\xA8")
                         << QStringLiteral("The name 中文台中文台中 does not fit 12 bytes: it takes 14 in GBK.");
    // Four three-byte characters fill the field; an ASCII letter no longer fits.
    QTest::newRow("UTF-8") << QByteArray("UTF-8") << QStringLiteral("中文台中x") << QStringLiteral("中文台中")
                           << QByteArray("\xE4\xB8\xAD\xE6\x96\x87\xE5\x8F\xB0\xE4\xB8\xAD")
                           << QStringLiteral("The name 中文台中x does not fit 12 bytes: it takes 13 in UTF-8.");
}

void EditCycleTest::theNameTakesTwelveBytesTypedAndRefusesALongerPastedOne()
{
    using namespace res::prog_edit;
    QFETCH(QByteArray, charset);
    QFETCH(QString, typed);
    QFETCH(QString, taken);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    dlg_->OnNameCharset(charset.toStdString());
    const Bytes before = ImageNow();
    EditRow(0, [&](QDialog* dialog) {
        QLineEdit* name = res::FindControl<QLineEdit>(dialog, IDC_NAME);
        name->clear();
        TypeKeys(name, typed);
        QCOMPARE(name->text(), taken);
        // Typing in the middle is held to the same limit.
        name->setCursorPosition(1);
        TypeKeys(name, QStringLiteral("A"));
        QCOMPARE(name->text(), taken);

        name->clear();
        name->insert(typed);  // what a paste does
        QCOMPARE(name->text(), typed);
        Click(dialog, IDC_OK);
        QVERIFY(dialog->isVisible());
        QCOMPARE(name->selectedText(), typed);
        QVERIFY(ImageNow() == before);
        QCOMPARE(platform_.messages.size(), std::size_t{1});
        QCOMPARE(platform_.messages[0].text, refusal + QStringLiteral(" Nothing was written."));

        name->setText(taken);
        Click(dialog, IDC_OK);
    });
    const std::uint32_t at = built_.RecordOffset(BlockId::TvPrograms, 0) + 14;
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(&app_.state().image().bytes[at]), 12), bytes);
    QCOMPARE(Cell(0, 1), taken);
}

int main(int argc, char** argv)
{
    FakePlatform platform;
    CKorvexApp app(argc, argv, platform);
    EditCycleTest test(app, platform);
    return QTest::qExec(&test, argc, argv);
}

#include "EditCycleTest.moc"
