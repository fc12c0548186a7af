#pragma once
// Image files dropped on the window from a file manager. A drag is taken when
// it carries local files and nothing else; the files are handed on once the
// drop is over, so that whatever the window then asks the user does not hold
// up the program the files came from.

#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

namespace korvex {

// The local files a drag carries; empty when it carries anything else.
QStringList LocalFilesOf(const QMimeData* mime);

class FileDropTarget final : public QObject {
public:
    using Dropped = std::function<void(const QStringList& paths)>;

    FileDropTarget(QObject* owner, Dropped dropped);

    // Takes drops of files on this widget, before the widget's own handling
    // of drags sees them; other drags go on to the widget.
    void Watch(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Dropped dropped_;
};

} // namespace korvex
