// The program's start-up defence against planted DLLs. An installer runs from the folder it
// was downloaded into, with administrator rights, beside whatever else landed there; Windows
// looks for a DLL that is not one of its KnownDLLs in the program's own folder first. So the
// program imports statically only from KnownDLLs (kernel32, user32, gdi32, advapi32, shell32,
// ole32, comdlg32), binds the version library's four functions by hand from the system
// directory, and restricts the DLL search of everything loaded later on its behalf to the
// system directory.
#include "platform/windows/system_libraries.h"

// The program calls the four version functions by their usual names; these definitions stand
// where version.dll's import library would, and call on into the library loaded by hand.
namespace {

typedef DWORD(WINAPI* GetFileVersionInfoSizeFn)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI* GetFileVersionInfoFn)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* VerQueryValueFn)(LPCVOID, LPCSTR, LPVOID*, PUINT);
typedef DWORD(WINAPI* VerFindFileFn)(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, PUINT, LPSTR, PUINT);

GetFileVersionInfoSizeFn bound_get_file_version_info_size;
GetFileVersionInfoFn bound_get_file_version_info;
VerQueryValueFn bound_ver_query_value;
VerFindFileFn bound_ver_find_file;

}  // namespace

extern "C" {

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR name, LPDWORD handle) {
    return bound_get_file_version_info_size(name, handle);
}

BOOL WINAPI GetFileVersionInfoA(LPCSTR name, DWORD handle, DWORD size, LPVOID data) {
    return bound_get_file_version_info(name, handle, size, data);
}

BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR sub_block, LPVOID* buffer, PUINT length) {
    return bound_ver_query_value(block, sub_block, buffer, length);
}

DWORD WINAPI VerFindFileA(DWORD flags, LPSTR name, LPSTR windows_dir, LPSTR app_dir, LPSTR current_dir,
                          PUINT current_length, LPSTR dest_dir, PUINT dest_length) {
    return bound_ver_find_file(flags, name, windows_dir, app_dir, current_dir, current_length, dest_dir,
                               dest_length);
}

}  // extern "C"

namespace {

constexpr DWORD SEARCH_SYSTEM32 = 0x00000800;   // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr const char VERSION_LIBRARY[] = "\\version.dll";

}  // namespace

void restrict_dll_search() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    // Windows 8 and later, and Windows 7 and Vista with their update: the system directory
    // only. Before that, at least the current directory is taken out of the search.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCSTR);
    auto set_default = (SetDefaultDllDirectoriesFn)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (set_default && set_default(SEARCH_SYSTEM32)) return;
    auto set_directory = (SetDllDirectoryFn)(void*)GetProcAddress(kernel, "SetDllDirectoryA");
    if (set_directory) set_directory("");
}

bool bind_version_library() {
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof VERSION_LIBRARY > MAX_PATH) return false;
    lstrcpyA(path + length, VERSION_LIBRARY);
    // By its full path, its own imports looked up beside it (in the system directory).
    HMODULE library = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) return false;
    bound_get_file_version_info_size = (GetFileVersionInfoSizeFn)(void*)GetProcAddress(library, "GetFileVersionInfoSizeA");
    bound_get_file_version_info = (GetFileVersionInfoFn)(void*)GetProcAddress(library, "GetFileVersionInfoA");
    bound_ver_query_value = (VerQueryValueFn)(void*)GetProcAddress(library, "VerQueryValueA");
    bound_ver_find_file = (VerFindFileFn)(void*)GetProcAddress(library, "VerFindFileA");
    return bound_get_file_version_info_size && bound_get_file_version_info && bound_ver_query_value &&
           bound_ver_find_file;
}
