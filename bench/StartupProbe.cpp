// Starts Korvex the way its main does (the application object, then the main
// dialog run modally), with a platform whose file dialog answers Open with an
// image, and ends it as soon as the window is shown or, given an image, as
// soon as the image's list is drawn. It prints how long that took, so that
// start-up time and peak memory can be measured from outside:
//
//   korvex-startup-probe --write-image FILE   write the largest image and exit
//   korvex-startup-probe [IMAGE]              start, [open IMAGE,] end
//
// Times count from KORVEX_PROBE_T0 (nanoseconds of the realtime clock, taken
// by the caller just before starting the probe) when it is set, otherwise
// from the start of main.

#include "bench/LargestImage.h"
#include "tests/ui/FakePlatform.h"
#include "ui/shell/CKorvexApp.h"
#include "ui/shell/CKorvexDlg.h"

#include <QEvent>
#include <QTableView>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace {

using Clock = std::chrono::system_clock;

Clock::time_point StartTime()
{
    if (const char* t0 = std::getenv("KORVEX_PROBE_T0"))
        return Clock::time_point(std::chrono::duration_cast<Clock::duration>(
            std::chrono::nanoseconds(std::strtoll(t0, nullptr, 10))));
    return Clock::now();
}

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Calls `then` once, on the first paint event of the widget.
class FirstPaint final : public QObject {
public:
    template <typename Then>
    FirstPaint(QWidget* widget, Then then) : then_(std::move(then))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && then_) {
            watched->removeEventFilter(this);
            // Leave the paint event to finish before acting on it.
            QTimer::singleShot(0, std::exchange(then_, {}));
        }
        return false;
    }

private:
    std::function<void()> then_;
};

} // namespace

int main(int argc, char** argv)
{
    const Clock::time_point start = StartTime();
    if (argc == 3 && std::strcmp(argv[1], "--write-image") == 0)
        return korvex::bench::WriteLargestImage(argv[2]) ? 0 : 1;
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: %s [--write-image FILE | IMAGE]\n", argv[0]);
        return 2;
    }
    const std::optional<QString> image = argc == 2 ? std::optional(QString::fromLocal8Bit(argv[1])) : std::nullopt;

    korvex::testing::FakePlatform platform;
    int appArgc = 1;
    korvex::CKorvexApp app(appArgc, argv, platform);

    std::unique_ptr<FirstPaint> shown;
    std::unique_ptr<FirstPaint> listed;
    int status = 0;
    // Once the modal loop runs, the main dialog is the active modal widget.
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<korvex::CKorvexDlg*>(QApplication::activeModalWidget());
        if (!dialog) {
            std::fprintf(stderr, "no main window\n");
            status = 1;
            return;
        }
        shown = std::make_unique<FirstPaint>(dialog, [&, dialog] {
            std::printf("window shown: %.1f ms\n", MillisecondsSince(start));
            if (!image) {
                dialog->OnExit();
                return;
            }
            platform.openAnswers.push_back(*image);
            const Clock::time_point opening = Clock::now();
            listed = std::make_unique<FirstPaint>(dialog->channelList->viewport(), [&, dialog, opening] {
                std::printf("image listed: %.1f ms (open %.1f ms), %d rows\n", MillisecondsSince(start),
                            MillisecondsSince(opening), dialog->channelList->model()->rowCount());
                dialog->OnExit();
            });
            dialog->OnFileOpen();
            if (!platform.messages.empty()) {
                std::fprintf(stderr, "%s\n", qPrintable(platform.messages.front().text));
                status = 1;
                dialog->OnExit();
            }
        });
        dialog->update();
    });
    app.InitInstance();
    std::fflush(stdout);
    return status;
}
