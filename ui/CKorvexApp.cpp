#include "ui/CKorvexApp.h"

#include "res/Templates.h"
#include "ui/CKorvexDlg.h"

namespace korvex {

CKorvexApp::CKorvexApp(int& argc, char** argv, Platform& platform)
    : QApplication(argc, argv), platform_(platform)
{
    // The settings location is named but nothing is ever stored there.
    setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    setApplicationName(QStringLiteral("Korvex"));
    setWindowIcon(res::ApplicationIcon());
}

bool CKorvexApp::InitInstance()
{
    CKorvexDlg dialog(state_, platform_);
    dialog.DoModal();
    return false;
}

} // namespace korvex
