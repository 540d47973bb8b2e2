// The program's entry point. This is a placeholder until the start-up and main window are
// built: it only says that the wizard is not there yet.
#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, "The wizard is not built yet.", "Brisvane! Install program", MB_OK | MB_ICONEXCLAMATION);
    return -1;
}
