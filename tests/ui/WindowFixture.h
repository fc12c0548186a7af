#pragma once
// What every window test starts from and shares. Before each test the whole
// program state goes back to what the program starts with (image, database,
// list state, history, name charset, the image being opened) and the fake
// platform forgets its answers and records; then a new main window is set up
// and shown, so that nothing one test leaves behind reaches the next. The
// steps the tests share are here too: opening bytes as the user does, the
// image as it now is, answering the modal dialog a command opens, a menu
// command by its id, and main().

#include "tests/support/ImageBuilder.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/TestFiles.h"
#include "ui/shell/CKorvexApp.h"
#include "ui/shell/CKorvexDlg.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <memory>

namespace korvex::testing {

// The item of the window's menu bar with this command id, or null.
inline QAction* MenuCommand(const QWidget& window, int commandId)
{
    for (QAction* action : window.findChildren<QAction*>())
        if (action->data().isValid() && action->data().toInt() == commandId)
            return action;
    return nullptr;
}

// Runs `command`; a modal dialog of type Dialog that it opens is handed to
// `answer`, which closes it or leaves it to be cancelled. True when such a
// dialog opened. The timer is the call's own: when no dialog opens, it goes
// with the call instead of firing into the next one.
template <typename Dialog>
bool AnswerModal(const std::function<void()>& command, const std::function<void(Dialog&)>& answer)
{
    bool shown = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shown = true;
        answer(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    timer.start(0);
    command();
    return shown;
}

class WindowFixture {
protected:
    WindowFixture(CKorvexApp& app, FakePlatform& platform) : app_(app), platform_(platform) {}

    // The program as it starts: nothing open, nothing listed, no history, the
    // locale's charset; the platform without answers or records.
    void ResetProgram()
    {
        ProgramState& state = app_.state();
        const auto fresh = std::make_unique<ProgramState>();
        state.image() = fresh->image();
        state.database() = fresh->database();
        state.list() = fresh->list();
        state.nameCharset() = fresh->nameCharset();
        state.incomingImage() = fresh->incomingImage();
        state.incomingDatabase() = fresh->incomingDatabase();
        state.history().Reset(state.image());
        state.files() = fresh->files();
        platform_.Reset();
        opened_.clear();
    }

    // A new main window, set up as the application sets it up, and shown.
    void ShowNewWindow()
    {
        dlg_ = std::make_unique<CKorvexDlg>(app_.state(), platform_);
        dlg_->OnInitDialog();
        dlg_->show();
    }

    // init(): the program as it starts, in a new window.
    void StartWindow()
    {
        ResetProgram();
        ShowNewWindow();
    }

    // cleanup(): the window goes, unsaved edits or not.
    void EndWindow()
    {
        platform_.unsavedAnswers.push_back(UnsavedAnswer::Discard);
        dlg_.reset();
    }

    // Writes the bytes as a file of the test's folder and opens it through
    // File → Open. True when it opened without a message.
    bool OpenBytes(const Bytes& bytes, const QString& fileName = QStringLiteral("image.bin"))
    {
        platform_.openAnswers.push_back(WriteFile(fileName, bytes));
        dlg_->OnFileOpen();
        if (!platform_.messages.empty())
            return false;
        opened_ = bytes;
        return true;
    }

    QString WriteFile(const QString& fileName, const Bytes& bytes) const
    {
        return WriteTestFile(dir_, fileName, bytes);
    }

    // The open image's bytes, as many as the file last opened by OpenBytes
    // held.
    Bytes ImageNow() const { return ImageNow(opened_.size()); }
    Bytes ImageNow(std::size_t size) const
    {
        const auto& bytes = app_.state().image().bytes;
        return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(size, bytes.size())));
    }

    // The bytes the file last opened by OpenBytes held.
    const Bytes& Opened() const { return opened_; }

    CKorvexApp& app_;
    FakePlatform& platform_;
    std::unique_ptr<CKorvexDlg> dlg_;
    QTemporaryDir dir_;

private:
    Bytes opened_;
};

} // namespace korvex::testing

// main() of a window test: the fake platform, the application object over it,
// and the test object, which takes both.
#define KORVEX_WINDOW_TEST_MAIN(TestClass)                         \
    int main(int argc, char** argv)                                \
    {                                                              \
        korvex::testing::FakePlatform platform;                    \
        korvex::CKorvexApp app(argc, argv, platform);              \
        TestClass test(app, platform);                             \
        return QTest::qExec(&test, argc, argv);                    \
    }
