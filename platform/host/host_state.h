// State shared by the files of the host stand-in (not for program code).
#pragma once

#include "platform/host/host_control.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace host {

// Splits a Windows path into drive letter and components, resolving "." and ".." and the
// process's current directory. Returns false for paths that cannot name a mapped drive
// (network paths, unmapped letters).
bool split_windows_path(const char* path, char& drive, std::vector<std::string>& parts);

// Host path for a Windows path; components are matched against existing entries without
// regard to case (and against 8.3 aliases), missing ones are kept as written.
bool resolve(const char* windows_path, std::string& host_path);

// The 8.3 alias Windows would give `name` inside `host_dir` ("" when the name is already 8.3).
std::string short_alias(const std::string& host_dir, const std::string& name);

bool set_current(const char* windows_path);
std::string current_directory();
void reset_paths();

bool is_locked(const std::string& host_path);
void set_last_error(DWORD error);
bool take_read_failure();
bool take_write_failure(UINT& short_count);
// A step of the program (a file's write, move or deletion, a registry write): the run is killed
// here when this is the step asked for (host_kill_at_step).
void kill_point();
bool take_allocation_failure();
void reset_files();
void reset_memory_counters();
void reset_message_boxes();
void reset_module_name();
void reset_version();
void reset_ui();
void reset_shell();

// The registry value PendingFileRenameOperations (HKEY_LOCAL_MACHINE, Session Manager): its
// bytes ("" when absent), and a new value (false when the registry refuses the write).
std::string pending_renames_value();
bool set_pending_renames_value(const std::string& bytes);

}  // namespace host
