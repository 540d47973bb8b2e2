// Status codes and Message catalogue ids.
//
// Every operation that can fail returns an int status: 0 success, a positive value is the id
// of the catalogue text that describes the failure, -1 means the user stopped the run (or was
// already told). The texts themselves live only in resources/strings.inc.
#pragma once

constexpr int STATUS_OK = 0;
constexpr int STATUS_STOPPED = -1;

// Decoder results (no catalogue text exists for these). Entry extraction turns the two kinds
// of damage into 44 and the shortage into 37, so the user is always told.
constexpr int STATUS_BAD_DATA = 1;        // invalid code, count or repeat in a stream
constexpr int STATUS_TABLE_MEMORY = 3;    // no memory while building code tables
constexpr int STATUS_BAD_BLOCK = 4;       // block type 0 to 4, or an over-subscribed code

// A Retry/Cancel prompt answered with Cancel, and nothing else: the user has seen a prompt
// already, so no further message follows.
constexpr int STATUS_CANCELLED = 2;

// Message catalogue ids (string table, language 1033).
constexpr int MSG_WINDOW_PROBLEM = 32;
constexpr int MSG_FILE_MISSING = 33;
constexpr int MSG_READ_ERROR = 34;
constexpr int MSG_WRITE_ERROR = 35;
constexpr int MSG_WRITE_PROTECTED = 36;
constexpr int MSG_NO_MEMORY = 37;
constexpr int MSG_INVALID_DIRECTORY = 38;
constexpr int MSG_FILE_IN_USE = 39;
constexpr int MSG_DISK_FULL = 40;
constexpr int MSG_CANNOT_CREATE = 41;
constexpr int MSG_NOT_ENOUGH_SPACE = 42;
constexpr int MSG_CONFLICTING_PRODUCT = 43;
constexpr int MSG_INVALID_DATA = 44;
constexpr int MSG_DIRECTORY_TOO_LONG = 45;
constexpr int MSG_NEWER_INSTALLED = 48;
constexpr int MSG_CREATE_DIRECTORY = 49;
constexpr int MSG_ABOUT_PRODUCT = 52;
constexpr int MSG_WELCOME = 56;
constexpr int MSG_NEEDS_16BIT = 67;
constexpr int MSG_NEEDS_32BIT_BROWSER = 68;
constexpr int MSG_NETSCAPE_OLD = 69;
constexpr int MSG_NETSCAPE_NOT_FOUND = 70;
constexpr int MSG_NETSCAPE_NO_PLUGINS = 71;
constexpr int MSG_EXPLORER_OLD = 74;
constexpr int MSG_EXPLORER_NOT_FOUND = 75;
constexpr int MSG_EXPLORER_NO_PLUGINS = 77;
constexpr int MSG_CLICK_NEXT = 80;
constexpr int MSG_CLICK_QUIT = 81;
constexpr int MSG_CAPTION = 96;
constexpr int MSG_PANEL_CAPTION = 97;
constexpr int MSG_PRODUCT_SHORT_NAME = 98;
constexpr int MSG_SIZE_KB = 99;
constexpr int MSG_SIZE_MB = 100;
constexpr int MSG_UNINSTALL_SHORTCUT = 101;
constexpr int MSG_UNINSTALL_16BIT = 102;
constexpr int MSG_README_SHORTCUT = 103;
constexpr int MSG_USAGE = 104;
constexpr int MSG_ANOTHER_RUN = 105;
constexpr int MSG_STEP_WELCOME = 112;
constexpr int MSG_STEP_DIRECTORY = 113;
constexpr int MSG_STEP_BROWSERS = 114;
constexpr int MSG_STEP_GRAPHIC_DRIVER = 115;
constexpr int MSG_STEP_FILE_TRANSFER = 116;
constexpr int MSG_STEP_END = 117;

// Message-box styles the program uses (MessageBoxA style words).
constexpr unsigned BOX_STOP_OK = 0x10;
constexpr unsigned BOX_QUESTION_YES_NO = 0x24;
constexpr unsigned BOX_WARNING_OK = 0x30;
constexpr unsigned BOX_WARNING_ABORT_RETRY_IGNORE = 0x32;
constexpr unsigned BOX_WARNING_RETRY_CANCEL = 0x35;
constexpr unsigned BOX_INFO_ABORT_RETRY_IGNORE = 0x42;

// Button results, as the platform numbers them.
constexpr int ANSWER_OK = 1;
constexpr int ANSWER_CANCEL = 2;
constexpr int ANSWER_ABORT = 3;
constexpr int ANSWER_RETRY = 4;
constexpr int ANSWER_IGNORE = 5;
constexpr int ANSWER_YES = 6;
constexpr int ANSWER_NO = 7;

// Page results written into page_result.
constexpr int PAGE_NONE = 0;
constexpr int PAGE_NEXT = 1;
constexpr int PAGE_QUIT = 2;
constexpr int PAGE_BACK = 98;
