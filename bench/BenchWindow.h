#pragma once
// The real main window, shown on the platform the process runs on, with a
// fake platform that answers Open with the largest image. One window serves
// every benchmark of the run.

#include "bench/LargestImage.h"
#include "bench/TempImageFile.h"
#include "tests/ui/FakePlatform.h"
#include "ui/CKorvexDlg.h"
#include "app/ProgramState.h"

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace korvex::bench {

// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* widget);
    int count() const { return count_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int count_ = 0;
};

// Calls `drawn` once, on the first paint of a dialog of type Dialog, after
// that paint is over.
template <typename Dialog>
class DialogPaintWatch final : public QObject {
public:
    explicit DialogPaintWatch(std::function<void(Dialog&)> drawn) : drawn_(std::move(drawn))
    {
        qApp->installEventFilter(this);
    }
    ~DialogPaintWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && drawn_)
            if (auto* widget = qobject_cast<QWidget*>(watched))
                if (auto* dialog = dynamic_cast<Dialog*>(widget->window())) {
                    QTimer::singleShot(0, dialog, [dialog, drawn = std::move(drawn_)] { drawn(*dialog); });
                    drawn_ = nullptr;
                }
        return false;
    }

private:
    std::function<void(Dialog&)> drawn_;
};

class BenchWindow {
public:
    static BenchWindow& Get();
    // Destroys the window, if there is one, while the application still runs.
    static void Close();

    // Opens the image through the window's Open command unless it is the one
    // open now, and shows the list of all TV programs. False when it fails.
    bool Show(TvVideo video);

    // Open, as the user runs it: the file dialog answers with the image of
    // `video`; returns when the list has been drawn. False on any message.
    bool Open(TvVideo video);

    // Selects the TV (0) or Radio (1) tab without refilling the list.
    void SelectTab(std::uint32_t radioMode);

    // Handles events until the list has been drawn since the last call.
    bool WaitUntilListDrawn();

    // Handles every event already waiting, a paint included, without waiting
    // for one that may never come (a selection that did not change draws
    // nothing).
    void Settle();

    ProgramState state;
    testing::FakePlatform platform;
    std::unique_ptr<CKorvexDlg> dialog;

private:
    BenchWindow();

    TempImageFile carried_{TvVideo::Carried};
    TempImageFile none_{TvVideo::None};
    TempImageFile wholeTv_{TvVideo::WholeTvTable};
    std::unique_ptr<PaintCounter> listPaints_;
    int paintsSeen_ = 0;
    std::optional<TvVideo> open_;
};

// One run of a command that opens a preview of type Dialog, timed: from the
// command to the preview drawn, which is then cancelled; or (fromOk) from OK
// to the list drawn again, `beforeOk` having set the preview up first. The
// step OK wrote is taken back, so that every run starts from the same image.
struct PreviewTiming {
    double seconds = 0;
    const char* failure = nullptr;  // why the run went wrong, or nothing
};

template <typename Dialog>
PreviewTiming TimePreview(BenchWindow& window, bool fromOk, const std::function<void()>& command,
                          const std::function<void(Dialog&)>& beforeOk = {})
{
    using Clock = std::chrono::steady_clock;
    window.Settle();
    Clock::time_point start = Clock::now(), end;
    bool drawn = false;
    {
        const DialogPaintWatch<Dialog> watch([&](Dialog& preview) {
            end = Clock::now();
            drawn = true;
            if (!fromOk) {
                preview.reject();
                return;
            }
            if (beforeOk)
                beforeOk(preview);
            start = Clock::now();
            preview.OkButton()->click();
        });
        command();
    }
    if (!drawn)
        return {0, "the command showed no preview"};
    if (fromOk) {
        if (!window.state.history().CanUndo() || !window.WaitUntilListDrawn())
            return {0, "OK wrote nothing"};
        end = Clock::now();
    }
    if (window.state.history().CanUndo()) {
        window.dialog->Arranging().Undo();
        window.WaitUntilListDrawn();
    }
    return {std::chrono::duration<double>(end - start).count()};
}

} // namespace korvex::bench
