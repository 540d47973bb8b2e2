// A sample library of the demo package. It does nothing but say what it is: the installer
// only copies it, reads its version resource and compares versions.
#include <windows.h>

#ifndef SAMPLE_TEXT
#define SAMPLE_TEXT "Brisvane demo package: sample module"
#endif

extern "C" __declspec(dllexport) const char* sample_module_description() { return SAMPLE_TEXT; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
