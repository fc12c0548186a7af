#include "ui/CKorvexApp.h"
#include "ui/QtPlatform.h"

int main(int argc, char** argv)
{
    korvex::QtPlatform platform;
    korvex::CKorvexApp app(argc, argv, platform);
    return app.InitInstance() ? app.exec() : 0;
}
