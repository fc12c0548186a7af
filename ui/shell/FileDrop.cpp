#include "ui/shell/FileDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace korvex {

QStringList LocalFilesOf(const QMimeData* mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

FileDropTarget::FileDropTarget(QObject* owner, Dropped dropped) : QObject(owner), dropped_(std::move(dropped)) {}

void FileDropTarget::Watch(QWidget* widget)
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

bool FileDropTarget::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        break;
    default:
        return false;
    }
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList paths = LocalFilesOf(drop->mimeData());
    if (paths.isEmpty())
        return false;
    // A copy: a file manager told that its files were moved may delete them.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() == QEvent::Drop)
        QMetaObject::invokeMethod(this, [this, paths] { dropped_(paths); }, Qt::QueuedConnection);
    return true;
}

} // namespace korvex
