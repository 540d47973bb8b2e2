// The sample uninstaller of the demo package. The real uninstaller is package data, not part
// of the setup program; this one only says what it is.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr,
                "This is the sample uninstaller of the Brisvane! demo package.\n"
                "It removes nothing: the demo package only shows how the installer works.",
                "Brisvane! demo uninstaller", MB_OK | MB_ICONINFORMATION);
    return 0;
}
