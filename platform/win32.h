// The Win32 seam. Program code includes this header and nothing else from the platform.
// On Windows it is <windows.h>. On the host it declares the subset of Win32 that the
// non-window code calls; platform/host/ implements it on top of the host system.
#pragma once

#ifdef _WIN32

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>
#ifdef BRISVANE_TEST_HOOKS
#include "platform/windows/test_hooks.h"
#endif

#else  // host stand-in

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define MAX_PATH 260

typedef int BOOL;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef DWORD* LPDWORD;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef size_t SIZE_T;
typedef void* HANDLE;
typedef HANDLE HGLOBAL;
typedef HANDLE HLOCAL;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HBRUSH__* HBRUSH;
typedef struct HFONT__* HFONT;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
typedef int HFILE;

#define TRUE 1
#define FALSE 0
#define HFILE_ERROR ((HFILE)-1)
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

// _lopen modes and _llseek origins.
#define OF_READ 0x0000
#define OF_WRITE 0x0001
#define OF_READWRITE 0x0002
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define FILE_ATTRIBUTE_READONLY 0x01
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_NORMAL 0x80

// Error codes that callers and tests look at.
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_HANDLE_DISK_FULL 39L
#define ERROR_DISK_FULL 112L
#define ERROR_NO_MORE_ITEMS 259L

// Memory.
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// Registry.
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002)
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
#define REG_NONE 0
#define REG_SZ 1
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_OPTION_NON_VOLATILE 0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

// Version library.
#define VFFF_ISSHAREDFILE 0x0001
#define VFF_CURNEDEST 0x0001
#define VFF_FILEINUSE 0x0002
#define VFF_BUFFTOOSMALL 0x0004

// Message boxes.
#define MB_OK 0x00
#define MB_OKCANCEL 0x01
#define MB_ABORTRETRYIGNORE 0x02
#define MB_YESNOCANCEL 0x03
#define MB_YESNO 0x04
#define MB_RETRYCANCEL 0x05
#define MB_ICONHAND 0x10
#define MB_ICONQUESTION 0x20
#define MB_ICONEXCLAMATION 0x30
#define MB_ICONASTERISK 0x40
#define MB_DEFBUTTON2 0x100
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

typedef union {
    struct {
        DWORD LowPart;
        DWORD HighPart;
    };
    uint64_t QuadPart;
} ULARGE_INTEGER, *PULARGE_INTEGER;

typedef struct {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

typedef struct {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

typedef struct {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
} VS_FIXEDFILEINFO;

// Files by handle.
HFILE _lopen(LPCSTR path, int mode);
HFILE _lcreat(LPCSTR path, int attributes);
UINT _lread(HFILE file, LPVOID buffer, UINT count);
LONG _hread(HFILE file, LPVOID buffer, LONG count);
UINT _lwrite(HFILE file, LPCSTR buffer, UINT count);
LONG _llseek(HFILE file, LONG offset, int origin);
HFILE _lclose(HFILE file);

// Directories, names and attributes.
BOOL CreateDirectoryA(LPCSTR path, void* security);
BOOL RemoveDirectoryA(LPCSTR path);
BOOL SetCurrentDirectoryA(LPCSTR path);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL DeleteFileA(LPCSTR path);
BOOL MoveFileA(LPCSTR from, LPCSTR to);
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004
// With MOVEFILE_REPLACE_EXISTING an existing `to` is replaced in one step, unless it is
// write-protected or held open (then nothing changes); without it, as MoveFileA. With
// MOVEFILE_DELAY_UNTIL_REBOOT and a null `to`, `from` (a file or an empty folder) is listed for
// deletion at the next restart: the stand-in keeps the list (host_restart_deletions).
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
DWORD GetFileAttributesA(LPCSTR path);
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);
DWORD GetTempPathA(DWORD size, LPSTR buffer);
UINT GetTempFileNameA(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR out);
BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectors_per_cluster, LPDWORD bytes_per_sector,
                       LPDWORD free_clusters, LPDWORD total_clusters);
BOOL GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER available, PULARGE_INTEGER total,
                         PULARGE_INTEGER free_total);
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE find);
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
DWORD GetShortPathNameA(LPCSTR long_path, LPSTR out, DWORD size);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
DWORD GetLastError();
void SetLastError(DWORD error);

// Memory.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block);
SIZE_T GlobalSize(HGLOBAL block);
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL block);

// Registry.
LONG RegOpenKeyA(HKEY key, LPCSTR subkey, PHKEY result);
LONG RegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyExA(HKEY key, LPCSTR subkey, DWORD reserved, LPSTR class_name, DWORD options,
                     REGSAM access, void* security, PHKEY result, LPDWORD disposition);
LONG RegQueryValueA(HKEY key, LPCSTR subkey, LPSTR data, LONG* size);
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, BYTE* data,
                      LPDWORD size);
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
LONG RegDeleteKeyA(HKEY key, LPCSTR subkey);
LONG RegDeleteValueA(HKEY key, LPCSTR name);
// The `index`-th value of `key`: its name and its data (in the order of the lower-case names).
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD reserved, LPDWORD type,
                   BYTE* data, LPDWORD data_size);
// Copies the values and subkeys of `subkey` of `source` (the key itself when null) into `dest`.
LONG RegCopyTreeA(HKEY source, LPCSTR subkey, HKEY dest);
// Deletes `subkey` of `key` with all its subkeys (with a null subkey: the key's contents).
LONG RegDeleteTreeA(HKEY key, LPCSTR subkey);
// Only the numbers of subkeys and values are filled in by the stand-in; the other outputs
// must be null.
LONG RegQueryInfoKeyA(HKEY key, LPSTR class_name, LPDWORD class_size, LPDWORD reserved,
                      LPDWORD subkeys, LPDWORD max_subkey_length, LPDWORD max_class_length,
                      LPDWORD values, LPDWORD max_value_name_length, LPDWORD max_value_length,
                      LPDWORD security_descriptor_size, FILETIME* last_write_time);
// Only the name is filled in; the class and time outputs must be null.
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD reserved,
                   LPSTR class_name, LPDWORD class_size, FILETIME* last_write_time);
LONG RegCloseKey(HKEY key);

// The shell's special folders: the folder of a CSIDL_* id, as an item list, and its path.
typedef int32_t HRESULT;
#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005)
typedef struct ITEMIDLIST_* LPITEMIDLIST;
typedef const struct ITEMIDLIST_* LPCITEMIDLIST;
#define CSIDL_PROGRAMS 0x0002
#define CSIDL_COMMON_PROGRAMS 0x0017
#define CSIDL_COMMON_APPDATA 0x0023
#define CSIDL_WINDOWS 0x0024
#define CSIDL_SYSTEM 0x0025
#define CSIDL_PROGRAM_FILES 0x0026
#define CSIDL_PROFILE 0x0028
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list);
BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path);
void CoTaskMemFree(LPVOID block);

// Version library.
DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle);
BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data);
BOOL VerQueryValueA(LPCVOID block, LPCSTR sub_block, LPVOID* value, UINT* length);
DWORD VerFindFileA(DWORD flags, LPSTR file_name, LPSTR windows_dir, LPSTR app_dir,
                   LPSTR current_dir, UINT* current_length, LPSTR dest_dir, UINT* dest_length);

// Strings and message boxes.
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
int wsprintfA(LPSTR out, LPCSTR format, ...);
int wvsprintfA(LPSTR out, LPCSTR format, va_list args);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style);

// The window calls the install steps make: the file-name text of the progress page, and
// its destruction at the end of the run.
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
BOOL DestroyWindow(HWND window);

#endif  // _WIN32
