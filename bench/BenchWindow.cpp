#include "bench/BenchWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>
#include <QWindow>

namespace korvex::bench {
namespace {

constexpr int kPatienceMs = 5000;

template <typename Done>
bool ProcessEventsUntil(Done done)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > kPatienceMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

} // namespace

PaintCounter::PaintCounter(QWidget* widget)
{
    widget->installEventFilter(this);
}

bool PaintCounter::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        ++count_;
    return false;
}

static std::unique_ptr<BenchWindow>& TheWindow()
{
    static std::unique_ptr<BenchWindow> window;
    return window;
}

BenchWindow& BenchWindow::Get()
{
    if (!TheWindow())
        TheWindow().reset(new BenchWindow);
    return *TheWindow();
}

void BenchWindow::Close()
{
    TheWindow().reset();
}

BenchWindow::BenchWindow()
{
    dialog = std::make_unique<CKorvexDlg>(state, platform);
    dialog->OnInitDialog();
    dialog->show();
    listPaints_ = std::make_unique<PaintCounter>(dialog->channelList->viewport());
    ProcessEventsUntil([&] { return dialog->windowHandle() && dialog->windowHandle()->isExposed(); });
    WaitUntilListDrawn();
}

bool BenchWindow::WaitUntilListDrawn()
{
    const bool drawn = ProcessEventsUntil([&] { return listPaints_->count() > paintsSeen_; });
    paintsSeen_ = listPaints_->count();
    return drawn;
}

void BenchWindow::Settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    paintsSeen_ = listPaints_->count();
}

bool BenchWindow::Open(TvVideo video)
{
    platform.messages.clear();
    platform.openAnswers.push_back(
        QString::fromStdString((video == TvVideo::Carried ? carried_ : video == TvVideo::None ? none_ : wholeTv_)
                                   .path()
                                   .string()));
    open_.reset();
    // The edit benchmarks leave edits that were not saved: drop them.
    platform.unsavedAnswers.assign(1, UnsavedAnswer::Discard);
    dialog->OnFileOpen();
    platform.unsavedAnswers.clear();
    if (!platform.messages.empty() || !WaitUntilListDrawn())
        return false;
    open_ = video;
    return true;
}

bool BenchWindow::Show(TvVideo video)
{
    if (open_ != video && !Open(video))
        return false;
    SelectTab(0);
    dialog->FillList(kListAllPrograms);
    return WaitUntilListDrawn();
}

void BenchWindow::SelectTab(std::uint32_t radioMode)
{
    const QSignalBlocker quiet(dialog->kindTabs);
    dialog->kindTabs->setCurrentIndex(static_cast<int>(radioMode));
    state.list().radioMode = radioMode;
}

} // namespace korvex::bench
