#pragma once
// F1 in a preview dialog, as the window tests press it.

#include "ui/shell/HelpWindow.h"

#include <QString>
#include <QWidget>
#include <QtTest>

namespace korvex::testing {

// F1 pressed in a dialog: the page the guide window it opened shows; empty
// when none opened.
inline QString GuidePageAfterF1(QWidget& dialog)
{
    dialog.activateWindow();
    if (!QTest::qWaitForWindowActive(&dialog))
        return QString();
    QTest::keyClick(&dialog, Qt::Key_F1);
    const auto* guide = dialog.findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    return guide && guide->isVisible() ? guide->Page() : QString();
}

} // namespace korvex::testing
