// The uninstaller's program: its command line, the one question, the removal of an accepted
// install record, the closing message, and finally its own file, which a running program
// cannot delete: a copy of it in the temporary folder, started with a switch of its own, waits
// for this process to end and deletes it, then its folder once empty.
//
//   NpU32.exe              asks once, removes, says what was removed and what was not
//   NpU32.exe /S           no window and no question (see docs/deployment.md for the codes)
//   NpU32.exe /_CLEANUP=<process id> <uninstaller path>   the copy's run (no window)
#include "common/install_journal.h"
#include "common/install_record.h"
#include "common/instance_lock.h"
#include "common/path_text.h"
#include "common/run_log.h"
#include "common/status.h"
#include "platform/win32.h"
#include "uninstall/record_reader.h"
#include "uninstall/removal.h"
#include "uninstall/uninstall_command.h"
#include "uninstall/uninstall_ids.h"

#include <cstring>

namespace {

HINSTANCE instance;

void show(const char* text, unsigned style) { show_uninstaller_text(instance, text, style); }

void show_text(int id, unsigned style) { uninstaller_box(instance, id, nullptr, style); }

// Appends text `id`, formatted with a number or a string, to `out`.
void append_number(char* out, int size, int id, int number) {
    char format[256], part[PATH_BUFFER_SIZE + 256];
    LoadStringA(instance, (UINT)id, format, sizeof format);
    wsprintfA(part, format, number);
    append_text(out, size, part);
}

void append_string(char* out, int size, int id, const char* text) {
    char format[256], part[PATH_BUFFER_SIZE + 256];
    LoadStringA(instance, (UINT)id, format, sizeof format);
    wsprintfA(part, format, text);
    append_text(out, size, part);
}

// The folder part of `path` (up to its last backslash, which is dropped).
void folder_of(char* out, const char* path) {
    join_path(out, path, "");
    char* cut = std::strrchr(out, '\\');
    if (cut) *cut = 0;
}

// Whether `a` and `b` have the same size and last-write time: the copy was made with both of
// its original's, a file written there since (a new installation's uninstaller) has its own.
bool same_stamp(const char* a, const char* b) {
    WIN32_FIND_DATAA found[2];
    const char* paths[] = {a, b};
    for (int i = 0; i < 2; ++i) {
        HANDLE find = FindFirstFileA(paths[i], &found[i]);
        if (find == INVALID_HANDLE_VALUE) return false;
        FindClose(find);
    }
    return found[0].nFileSizeLow == found[1].nFileSizeLow &&
           found[0].ftLastWriteTime.dwLowDateTime == found[1].ftLastWriteTime.dwLowDateTime &&
           found[0].ftLastWriteTime.dwHighDateTime == found[1].ftLastWriteTime.dwHighDateTime;
}

// The copy's run: waits (a bounded time) for the uninstaller that started it to end, deletes
// that uninstaller's file and its folder once empty, and lists its own file for deletion at
// the next restart. Only a file with the uninstaller's name is ever deleted this way (see
// parse_uninstall_command), and only while it is still the file this copy was made from.
int clean_up(DWORD process_id, const char* original) {
    if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id)) {
        WaitForSingleObject(process, 60000);
        CloseHandle(process);
    }
    char self[PATH_BUFFER_SIZE];
    if (!GetModuleFileNameA(nullptr, self, sizeof self)) self[0] = 0;
    // The system may hold the ended program's file a moment longer. A file that is no longer
    // the one this copy was made from (an install wrote its own since) is not ours to delete.
    bool deleted = false;
    for (int attempt = 0; attempt < 50 && !deleted; ++attempt) {
        if (!same_stamp(original, self)) {
            deleted = true;
            break;
        }
        deleted = DeleteFileA(original) || GetFileAttributesA(original) == INVALID_FILE_ATTRIBUTES;
        if (!deleted) Sleep(100);
    }
    char folder[PATH_BUFFER_SIZE];
    folder_of(folder, original);
    if (!deleted) MoveFileExA(original, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (!RemoveDirectoryA(folder) && !deleted) MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (self[0]) MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return UEXIT_REMOVED;
}

// Starts the copy that deletes `self` once this process has ended. Returns false, with `self`
// and its folder listed for deletion at the next restart instead, when it cannot.
bool start_cleanup(const char* self) {
    char temp[PATH_BUFFER_SIZE], copy[PATH_BUFFER_SIZE], line[2 * PATH_BUFFER_SIZE + 40];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n && n < sizeof temp && GetTempFileNameA(temp, "bvu", 0, copy)) {
        if (CopyFileA(self, copy, FALSE)) {
            wsprintfA(line, "\"%s\" /_CLEANUP=%lu %s", copy, GetCurrentProcessId(), self);
            STARTUPINFOA startup;
            std::memset(&startup, 0, sizeof startup);
            startup.cb = sizeof startup;
            PROCESS_INFORMATION process;
            if (CreateProcessA(copy, line, nullptr, nullptr, FALSE, 0, nullptr, temp, &startup, &process)) {
                CloseHandle(process.hThread);
                CloseHandle(process.hProcess);
                return true;
            }
        }
        DeleteFileA(copy);
    }
    char folder[PATH_BUFFER_SIZE];
    folder_of(folder, self);
    MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return false;
}

int uninstall(bool silent) {
    // The large buffers are static: a stack frame over 4 KB would call the compiler's stack
    // probe, which the link-time optimised link of a program without a C runtime cannot take.
    static SystemFolders folders;
    get_system_folders(folders);
    // An install killed part-way is undone (or completed) first: its record is then the one
    // that stands, and no file of that run is left unnamed.
    recover_killed_run();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) key = nullptr;
    InstallRecord record;
    int read = read_install_record(key, folders, record);
    if (key) RegCloseKey(key);
    if (read == RECORD_NO_MEMORY) {
        free_install_record(record);
        if (!silent) show_text(MSG_U_NO_MEMORY, BOX_STOP_OK);
        return UEXIT_NO_MEMORY;
    }
    if (read != RECORD_READ) {
        // Nothing on the disk is touched without a sound record; the registry records that are
        // left would only keep naming a program that is gone.
        free_install_record(record);
        remove_leftover_records();
        if (!silent) show_text(read == RECORD_MISSING ? MSG_U_NO_RECORD : MSG_U_DAMAGED_RECORD, BOX_WARNING_OK);
        return UEXIT_NO_RECORD;
    }
    if (!silent) {
        if (uninstaller_box(instance, MSG_U_CONFIRM, nullptr, BOX_QUESTION_YES_NO) != ANSWER_YES) {
            free_install_record(record);
            return UEXIT_CANCELLED;
        }
    }
    char self[PATH_BUFFER_SIZE];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) self[0] = 0;
    RemovalOptions options{instance, silent, self[0] ? self : nullptr, nullptr};
    RemovalReport report;
    remove_installation(record, options, report);
    int refused = record.refused;
    static char first_refused[PATH_BUFFER_SIZE];
    if (refused) join_path(first_refused, record.first_refused, "");
    free_install_record(record);
    if (report.self_recorded && !start_cleanup(self)) ++report.at_restart;

    if (!silent) {
        static char text[1536];
        text[0] = 0;
        if (report.failed) append_number(text, sizeof text, MSG_U_NOT_ALL_REMOVED, report.failed);
        else append_number(text, sizeof text, refused ? MSG_U_NOT_REMOVED_REFUSED : MSG_U_REMOVED, 0);
        if (report.at_restart) append_number(text, sizeof text, MSG_U_AT_RESTART, report.at_restart);
        if (report.kept_folder[0]) append_string(text, sizeof text, MSG_U_KEPT_FOLDER, report.kept_folder);
        if (report.plugins_kept) append_number(text, sizeof text, MSG_U_KEPT_PLUGINS, report.plugins_kept);
        if (report.plugins_handed_over)
            append_number(text, sizeof text, MSG_U_PLUGINS_HANDED_OVER, report.plugins_handed_over);
        if (refused) {
            char format[256], part[PATH_BUFFER_SIZE + 256];
            LoadStringA(instance, MSG_U_REFUSED_ENTRIES, format, sizeof format);
            wsprintfA(part, format, refused, first_refused);
            append_text(text, sizeof text, part);
        }
        show(text, report.failed || refused ? BOX_WARNING_OK : MB_OK | MB_ICONINFORMATION);
    }
    return removal_exit_code(report, refused);
}

}  // namespace

int WINAPI WinMain(HINSTANCE program, HINSTANCE, LPSTR arguments, int) {
    instance = program;
    UninstallCommand command;
    parse_uninstall_command(arguments, command);
    if (command.mode == UNINSTALL_CLEANUP) return clean_up(command.process_id, command.original);
    bool silent = command.silent;
    // One run at a time on the machine, of the uninstaller or the installer: neither changes
    // the installation under the other, whatever account each runs under.
    bool locked_out = !take_instance_lock();
    // The log is written on every path from here; a run that stops for the lock adds its lines
    // to the end of a log that is there (it may be the running one's). The log asked for that
    // cannot be had: nothing is removed without it.
    if (command.log_file[0] && !open_run_log(command.log_file, locked_out)) return UEXIT_REMOVE_FAILED;
    log_line("Command line: ", arguments);
    int code;
    if (command.mode == UNINSTALL_USAGE) {
        if (command.unknown[0]) log_line("Not understood: ", command.unknown);
        if (!silent) show_text(MSG_U_USAGE, MB_OK | MB_ICONINFORMATION);
        code = UEXIT_USAGE;
    } else if (locked_out) {
        log_line("Another setup or uninstall program is running.", nullptr);
        if (!silent) show_text(MSG_U_ALREADY_RUNNING, BOX_WARNING_OK);
        code = UEXIT_CANCELLED;
    } else {
        code = uninstall(silent);
    }
    log_number("Exit code: ", code);
    close_run_log();
    return code;
}
