// Controls of the host stand-in that only exist on the host: where drives live, the
// in-memory registry, files held open by another program, read and write failures, free
// space, and the recorded progress-page calls.
#pragma once

#include "platform/test_control.h"

#include <string>
#include <vector>

// Maps drive letter `drive` (e.g. 'C') to the host folder `host_dir`, which must exist.
void host_map_drive(char drive, const std::string& host_dir);
void host_unmap_all_drives();
// The host path that a Windows path stands for ("" when it cannot be mapped).
std::string host_path_of(const char* windows_path);

// The shell's folder `id` (CSIDL_*) is `path` from now on; "" makes it unknown. Reset with the
// platform to the folders of a 64-bit Windows as a 32-bit program sees them.
void host_set_special_folder(int id, const std::string& path);

// Registry: back to an empty tree. A root can refuse every write (a user without rights).
void host_reset_registry();
void host_deny_registry_writes(HKEY root, bool deny);

// A file "in use": it cannot be recreated, deleted or renamed over, like a loaded module.
void host_set_file_locked(const char* windows_path, bool locked);

// Paths listed for deletion at the next restart (MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT
// and no new name), in order, as they were passed: read from the registry value
// PendingFileRenameOperations, where the stand-in keeps them as Windows does.
std::vector<std::string> host_restart_deletions();
// Files listed to replace another at the next restart: (source, destination) pairs.
std::vector<std::pair<std::string, std::string>> host_restart_replacements();

// Make the n-th _lread / _lwrite from now fail (1 = the next one); 0 switches it off. A failed
// write reports `error` (ERROR_DISK_FULL: the disk filled).
void host_fail_read(long n);
void host_fail_write(long n, DWORD error = ERROR_ACCESS_DENIED);
// _lread/_hread and _lwrite/_hwrite calls made since the last reset (failed ones included).
long host_read_count();
long host_write_count();
// Make the n-th immediate MoveFileExA from now fail as on a file held open (1 = the next one);
// 0 switches it off. Moves made since the last reset, failed ones included.
void host_fail_move(long n);
long host_move_count();
// A killed run (power cut, ended from the task list): the n-th file step from now (an _lwrite,
// a MoveFileExA or a DeleteFileA; 1 = the next one) throws HostKilled before it happens, so
// that none of the program's own code runs after it. 0 switches it off.
struct HostKilled {};
void host_kill_at_step(long n);
long host_step_count();   // file steps since the last reset
// Make the next _lwrite store only part of its bytes (returns the part length) once.
void host_short_write_once(UINT bytes);

// Report this many free kilobytes for a drive instead of the host figure (0xFFFFFFFF: unset).
void host_set_free_kb(char drive, uint32_t kb);

// Progress page stand-in: the stop request is raised (page_result = 2) at the n-th poll
// from now (1 = the next one); 0 never.
void host_stop_at_poll(long n);
long host_poll_count();
int host_last_progress_percent();
const std::string& host_last_file_name_text();
int host_progress_calls();
// Windows destroyed through DestroyWindow, and runs of create_shortcuts (Windows-only code
// whose host version only counts its calls).
int host_destroyed_windows();
int host_shortcut_runs();
