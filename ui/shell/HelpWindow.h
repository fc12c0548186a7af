#pragma once
// The user guide inside Korvex: the Markdown pages of docs/guide and their
// pictures, compiled into the program as resources under :/guide, shown in
// a window of their own beside the list (never modal), with links between
// pages, back, forward and the contents page. It needs no network and no
// browser.

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace korvex {

// The guide's pages as resource URLs: qrc:/guide/PAGE.
inline constexpr QLatin1StringView kGuideContents("index.md");

// The page that explains what the main window shows: the comparison while
// comparing, the open and save page while no image is open, the editors for
// the lists of satellites and transponders, arranging for program lists.
QString GuidePageFor(bool imageOpen, bool comparing, bool listsPrograms);

class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* owner);

    // Shows the page (a file name of the guide, "index.md"), brings the
    // window up beside the main window and gives it the focus.
    void ShowPage(const QString& page);

    // The page shown, as its file name.
    QString Page() const;
    QTextBrowser* Browser() const { return browser_; }

private:
    // Pictures wider than the page are drawn at the page's width, so that a
    // page reads without scrolling sideways.
    void FitPictures();

    QTextBrowser* browser_;
};

} // namespace korvex
