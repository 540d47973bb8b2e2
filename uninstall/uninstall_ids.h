// The uninstaller's message ids (its own string table, uninstall/strings.inc) and exit codes.
#pragma once

constexpr int MSG_U_CAPTION = 160;
constexpr int MSG_U_CONFIRM = 161;
constexpr int MSG_U_REMOVED = 162;
constexpr int MSG_U_NOT_ALL_REMOVED = 163;
constexpr int MSG_U_AT_RESTART = 164;
constexpr int MSG_U_KEPT_FOLDER = 165;
constexpr int MSG_U_REFUSED_ENTRIES = 166;
constexpr int MSG_U_KEPT_PLUGINS = 167;
constexpr int MSG_U_NO_RECORD = 168;
constexpr int MSG_U_DAMAGED_RECORD = 169;
constexpr int MSG_U_IN_USE = 170;
constexpr int MSG_U_SHARED_UNUSED = 171;
constexpr int MSG_U_USAGE = 172;
constexpr int MSG_U_ALREADY_RUNNING = 173;
constexpr int MSG_U_NO_MEMORY = 174;
constexpr int MSG_U_NOT_REMOVED_REFUSED = 175;
constexpr int MSG_U_PLUGINS_HANDED_OVER = 176;

// Exit codes of the uninstaller (the same classes as the installer's where they overlap).
constexpr int UEXIT_REMOVED = 0;
constexpr int UEXIT_USAGE = 10;
constexpr int UEXIT_CANCELLED = 11;        // the user said No, or another instance runs
constexpr int UEXIT_NO_RECORD = 12;        // no install record, or a damaged one
constexpr int UEXIT_REFUSED = 13;          // entries refused: left alone, the uninstall record kept
constexpr int UEXIT_REMOVE_FAILED = 15;    // a file could be neither removed nor listed for restart
constexpr int UEXIT_NO_MEMORY = 17;
constexpr int UEXIT_AT_RESTART = 3010;     // removed; some files go at the next restart
