// Process entry of the Windows module. The MinGW runtime's start-up code runs
// first: it constructs the module-level objects (the scene, the frame surface)
// and prepares the C and C++ runtimes. It then calls WinMain, which hands over
// at once to the saver's own start routine; that routine reads the raw command
// line itself and ends the process with ExitProcess, so WinMain never returns.
#include "host/saver_host.h"
#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    SaverStartup();
}
