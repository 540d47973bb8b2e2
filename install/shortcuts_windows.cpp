#include "install/shortcuts.h"

#include "common/install_context.h"
#include "common/install_journal.h"
#include "common/install_record.h"
#include "common/run_log.h"
#include "common/status.h"
#include "common/paths.h"
#include "install/install_record.h"
#include "install/pending_files.h"
#include "common/path_text.h"

#include <cstring>
#include <objbase.h>
#include <shobjidl.h>

namespace {


// The shell's shortcut object and its interfaces (public platform identifiers), spelled out
// so that no GUID library is needed.
const CLSID shell_link_class = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID shell_link_interface = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID persist_file_interface = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// `folder` (ending in a backslash) + catalogue text `id` + ".lnk". False when it does not fit.
bool shortcut_path(char* out, const char* folder, int id) {
    char name[PATH_BUFFER_SIZE] = {};
    LoadStringA(ctx.instance, (UINT)id, name, PATH_BUFFER_SIZE - 4);
    append_text(name, PATH_BUFFER_SIZE, ".lnk");
    return join_path(out, folder, name);
}

// target_directory (backslash ensured) + `name`. False when it does not fit.
bool target_path(char* out, const char* name) {
    char directory[PATH_BUFFER_SIZE] = {};
    append_text(directory, PATH_BUFFER_SIZE, ctx.target_directory);
    add_backslash(directory);
    return join_path(out, directory, name);
}

// The program group folder, made when missing; ends with a backslash. False when there is
// no such folder and it cannot be made. A silent run is a deployment, often under an account
// no person uses: its group goes in the all-users Programs folder, where every user sees it,
// beside the files, records and shared files, which are the machine's too. A person's own run
// keeps it in that person's Programs folder. The install record names the folder either way,
// and the uninstaller removes the group from there.
bool program_group_folder(char* folder) {
    LPITEMIDLIST list = nullptr;
    folder[0] = 0;
    if (SHGetSpecialFolderLocation(nullptr, ctx.silent ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, &list) != S_OK ||
        !list)
        return false;
    BOOL found = SHGetPathFromIDListA(list, folder);
    CoTaskMemFree(list);
    if (!found || !folder[0]) return false;

    char group[PATH_BUFFER_SIZE] = {};
    LoadStringA(ctx.instance, MSG_PRODUCT_SHORT_NAME, group, PATH_BUFFER_SIZE);
    add_backslash(folder);
    if (!append_text(folder, PATH_BUFFER_SIZE - 1, group)) return false;   // room kept for the backslash
    remove_backslash(folder);
    if (!SetCurrentDirectoryA(folder)) {
        // Journaled as the run's own, like the folders it makes for its files.
        if (string_list_add(&ctx.created_folders_block, &ctx.created_folders, folder) == STATUS_OK)
            journal_list(JOURNAL_FOLDERS, ctx.created_folders);
        add_backslash(folder);
        make_directory_path(folder);
        remove_backslash(folder);
        if (!SetCurrentDirectoryA(folder)) return false;
    }
    add_backslash(folder);
    return true;
}

}  // namespace

long create_shell_link(const char* target, const char* link_path, const char* arguments, int icon_index) {
    IShellLinkA* link = nullptr;
    HRESULT result = CoCreateInstance(shell_link_class, nullptr, CLSCTX_INPROC_SERVER, shell_link_interface,
                                      reinterpret_cast<void**>(&link));
    if (FAILED(result)) return result;

    link->SetPath(target);
    char directory[PATH_BUFFER_SIZE] = {};
    append_text(directory, PATH_BUFFER_SIZE, target);
    if (char* slash = std::strrchr(directory, '\\')) {
        *slash = 0;
        link->SetWorkingDirectory(directory);
    }
    if (arguments && arguments[0]) link->SetArguments(arguments);
    if (icon_index != 0) link->SetIconLocation(target, icon_index);

    IPersistFile* file = nullptr;
    result = link->QueryInterface(persist_file_interface, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        WCHAR wide_path[PATH_BUFFER_SIZE] = {};
        MultiByteToWideChar(CP_ACP, 0, link_path, -1, wide_path, PATH_BUFFER_SIZE);
        wide_path[PATH_BUFFER_SIZE - 1] = 0;
        result = file->Save(wide_path, TRUE);
        file->Release();
    }
    link->Release();
    return result;
}

namespace {

// The shortcut to `target` named by catalogue text `name_id`, in `folder`; recorded and logged.
void add_shortcut(const char* folder, const char* target, int name_id) {
    char link[PATH_BUFFER_SIZE];
    if (!shortcut_path(link, folder, name_id)) return;
    // A new one is journaled before it is made, as the run's files are: a run killed before it
    // succeeded loses it again. (One already there is the earlier installation's, to the same
    // place.)
    if (GetFileAttributesA(link) == INVALID_FILE_ATTRIBUTES &&
        string_list_add(&ctx.created_files_block, &ctx.created_files, link) == STATUS_OK)
        journal_list(JOURNAL_CREATED, ctx.created_files);
    if (SUCCEEDED(create_shell_link(target, link, "", 0))) {
        record_entry(RECORD_SHORTCUT, link);
        log_line("Shortcut: ", link);
    }
}

}  // namespace

void create_shortcuts() {
    char folder[PATH_BUFFER_SIZE];
    if (!program_group_folder(folder)) return;

    char target[PATH_BUFFER_SIZE];
    record_entry(RECORD_GROUP_FOLDER, folder);
    if (ctx.readme_file_name[0] && target_path(target, ctx.readme_file_name))
        add_shortcut(folder, target, MSG_README_SHORTCUT);
    if (target_path(target, UNINSTALLER_NAME)) add_shortcut(folder, target, MSG_UNINSTALL_SHORTCUT);
}
