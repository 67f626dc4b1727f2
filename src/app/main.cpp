#include "app/zemremove_app.h"
#include "support/system_library.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    // Before anything is loaded: a DLL planted beside the program must never run.
    WindowsPlatform::RestrictLibrarySearchToSystem();
    CZEMRemoveApp app(instance, arguments);
    app.InitInstance();
    return app.ExitCode();
}
