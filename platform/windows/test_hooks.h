// Test builds only: a handful of Win32 calls go through hooks, so that the unit tests can
// script message boxes, make allocations fail, name the program file and script
// VerFindFileA under Wine exactly as they do on the host stand-in.
#pragma once

int WINAPI hooked_MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
HGLOBAL WINAPI hooked_GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL WINAPI hooked_GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
HLOCAL WINAPI hooked_LocalAlloc(UINT flags, SIZE_T bytes);
DWORD WINAPI hooked_GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
DWORD WINAPI hooked_VerFindFileA(DWORD flags, LPSTR file_name, LPSTR windows_dir, LPSTR app_dir,
                                 LPSTR current_dir, PUINT current_length, LPSTR dest_dir,
                                 PUINT dest_length);

#define MessageBoxA hooked_MessageBoxA
#define GlobalAlloc hooked_GlobalAlloc
#define GlobalReAlloc hooked_GlobalReAlloc
#define LocalAlloc hooked_LocalAlloc
#define GetModuleFileNameA hooked_GetModuleFileNameA
#define VerFindFileA hooked_VerFindFileA
