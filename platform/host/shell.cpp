// The shell's special folders, as 64-bit Windows gives them to a 32-bit program: Program Files
// is "Program Files (x86)" (the 64-bit folder is only named in the registry, which tests seed).
// An item list is the folder's id; a test can move a folder or take it away.
#include "platform/host/host_state.h"

#include <cstdint>
#include <cstring>

namespace host {

namespace {

const std::map<int, std::string> default_folders = {
    {CSIDL_PROGRAMS, "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
    {CSIDL_COMMON_PROGRAMS, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
    {CSIDL_COMMON_APPDATA, "C:\\ProgramData"},
    {CSIDL_WINDOWS, "C:\\WINDOWS"},
    {CSIDL_SYSTEM, "C:\\WINDOWS\\SYSTEM"},
    {CSIDL_PROGRAM_FILES, "C:\\Program Files (x86)"},
    {CSIDL_PROFILE, "C:\\Users\\user"},
};
std::map<int, std::string> folders = default_folders;

}  // namespace

void reset_shell() { folders = default_folders; }

}  // namespace host

void host_set_special_folder(int id, const std::string& path) { host::folders[id] = path; }

HRESULT SHGetSpecialFolderLocation(HWND, int folder, LPITEMIDLIST* list) {
    *list = nullptr;
    auto it = host::folders.find(folder);
    if (it == host::folders.end() || it->second.empty()) return E_FAIL;
    *list = reinterpret_cast<LPITEMIDLIST>(new int(folder));
    return S_OK;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path) {
    const std::string& folder = host::folders[*reinterpret_cast<const int*>(list)];
    if (folder.size() >= MAX_PATH) return FALSE;
    std::memcpy(path, folder.c_str(), folder.size() + 1);
    return TRUE;
}

void CoTaskMemFree(LPVOID block) { delete static_cast<int*>(block); }
