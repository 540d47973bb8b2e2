// The floor of the installer's start-up cost under Wine: programs that do no work of their own,
// timed beside the installer by bench/startup. Built without a C runtime, like the installer,
// in five kinds (FLOOR_KIND):
//   0  only exits (kernel32 alone);
//   1  imports from the same DLLs as the installer, initialises COM, uninitialises it, exits;
//   2  as 1, and asks the shell for the all-users Programs folder (where a silent run puts its
//      program group) before it exits;
//   3  holds the desktop: connects to it and waits until it is ended. Under Wine the desktop
//      process closes a second after its last program ends, and the next program to need it
//      starts it again; on Windows the desktop is always there. The benchmark keeps one
//      holder running so that every program it times finds the desktop as on Windows;
//   4  as 2, then saves two shortcuts (the shell's link object, IPersistFile::Save) in
//      C:\bench, as a silent install saves its two: under Wine each save starts a process of
//      its own (the menu builder, even when it is disabled), which Windows does not.
#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#ifndef FLOOR_KIND
#define FLOOR_KIND 0
#endif

#if FLOOR_KIND > 0
// One function of each DLL the installer imports from, so that the loader maps the same DLLs
// (and everything they pull in) before the entry runs. The table is volatile so that the
// linker keeps every import.
void* volatile imported[] = {
    reinterpret_cast<void*>(&RegCloseKey),       // advapi32
    reinterpret_cast<void*>(&GetOpenFileNameA),  // comdlg32
    reinterpret_cast<void*>(&GetStockObject),    // gdi32
    reinterpret_cast<void*>(&CoTaskMemFree),     // ole32
    reinterpret_cast<void*>(&SHGetPathFromIDListA),  // shell32
    reinterpret_cast<void*>(&LoadStringA),       // user32
};
#endif

extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup() {
#if FLOOR_KIND > 0
    CoInitialize(nullptr);
#endif
#if FLOOR_KIND == 2 || FLOOR_KIND == 4
    LPITEMIDLIST list = nullptr;
    char folder[MAX_PATH];
    if (SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_PROGRAMS, &list) == S_OK && list) {
        SHGetPathFromIDListA(list, folder);
        CoTaskMemFree(list);
    }
#endif
#if FLOOR_KIND == 4
    CreateDirectoryA("C:\\bench", nullptr);
    const wchar_t* links[] = {L"C:\\bench\\one.lnk", L"C:\\bench\\two.lnk"};
    for (const wchar_t* path : links) {
        IShellLinkA* link = nullptr;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link))))
            continue;
        link->SetPath("C:\\bench\\target\\empty.txt");
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            file->Save(path, TRUE);
            file->Release();
        }
        link->Release();
    }
#endif
#if FLOOR_KIND == 3
    GetDesktopWindow();
    Sleep(INFINITE);
#endif
#if FLOOR_KIND > 0
    CoUninitialize();
#endif
    ExitProcess(0);
}
