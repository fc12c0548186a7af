#include "ui/shell/CKorvexApp.h"

#include "res/Templates.h"
#include "ui/shell/CKorvexDlg.h"

#include <QMetaObject>

namespace korvex {

CKorvexApp::CKorvexApp(int& argc, char** argv, Platform& platform)
    : QApplication(argc, argv), platform_(platform)
{
    // The settings location is named but nothing is ever stored there.
    setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    setApplicationName(QStringLiteral("Korvex"));
    setWindowIcon(res::ApplicationIcon());
}

bool CKorvexApp::InitInstance(const std::optional<QString>& image)
{
    CKorvexDlg dialog(state_, platform_);
    // Queued, so that it runs in the dialog's modal loop: the window is
    // initialised and shown, and a refusal is a box over it, as after Open.
    if (image)
        QMetaObject::invokeMethod(&dialog, [&dialog, path = *image] { dialog.OpenImageFile(path); },
                                  Qt::QueuedConnection);
    dialog.DoModal();
    return false;
}

} // namespace korvex
