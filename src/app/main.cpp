#include "app/zemremove_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CZEMRemoveApp app(instance);
    app.InitInstance();
    return 0;
}
