#include "serial/PlatformReport.h"

#include <QMetaObject>
#include <QObject>

namespace korvex::serial {

EventLoopReport ReportThroughPlatform(Platform& platform, QObject* uiContext)
{
    return [&platform, uiContext](const QString& text, const QString& caption) {
        QMetaObject::invokeMethod(
            uiContext, [&platform, text, caption] { platform.ShowMessage(nullptr, text, caption, MessageIcon::None); },
            Qt::QueuedConnection);
    };
}

} // namespace korvex::serial
