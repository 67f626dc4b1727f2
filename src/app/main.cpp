#include "app/zemremove_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    CZEMRemoveApp app(instance, arguments);
    app.InitInstance();
    return app.ExitCode();
}
