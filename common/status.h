// Status codes and Message catalogue ids.
//
// Every operation that can fail returns an int status: 0 success, a positive value is the id
// of the catalogue text that describes the failure, -1 means the user stopped the run (or was
// already told). The texts themselves live only in resources/strings.inc.
#pragma once

enum : int {
    STATUS_OK = 0,
    STATUS_STOPPED = -1,

    // Decoder results (no catalogue text exists for these).
    STATUS_BAD_DATA = 1,        // invalid code, count or repeat in a stream
    STATUS_BAD_BLOCK = 2,       // block type 0 to 4, or an over-subscribed code
    STATUS_TABLE_MEMORY = 3,    // no memory while building code tables

    // A Retry/Cancel prompt answered with Cancel.
    STATUS_CANCELLED = 2,
};

// Message catalogue ids (string table, language 1033).
enum : int {
    MSG_WINDOW_PROBLEM = 32,
    MSG_FILE_MISSING = 33,
    MSG_READ_ERROR = 34,
    MSG_WRITE_ERROR = 35,
    MSG_WRITE_PROTECTED = 36,
    MSG_NO_MEMORY = 37,
    MSG_INVALID_DIRECTORY = 38,
    MSG_FILE_IN_USE = 39,
    MSG_DISK_FULL = 40,
    MSG_CANNOT_CREATE = 41,
    MSG_NOT_ENOUGH_SPACE = 42,
    MSG_CONFLICTING_PRODUCT = 43,
    MSG_INVALID_DATA = 44,
    MSG_NEWER_INSTALLED = 48,
    MSG_CREATE_DIRECTORY = 49,
    MSG_ABOUT_PRODUCT = 52,
    MSG_WELCOME = 56,
    MSG_NEEDS_16BIT = 67,
    MSG_NEEDS_32BIT_BROWSER = 68,
    MSG_NETSCAPE_OLD = 69,
    MSG_NETSCAPE_NOT_FOUND = 70,
    MSG_NETSCAPE_NO_PLUGINS = 71,
    MSG_EXPLORER_OLD = 74,
    MSG_EXPLORER_NOT_FOUND = 75,
    MSG_EXPLORER_NO_PLUGINS = 77,
    MSG_CLICK_NEXT = 80,
    MSG_CLICK_QUIT = 81,
    MSG_CAPTION = 96,
    MSG_PANEL_CAPTION = 97,
    MSG_PRODUCT_SHORT_NAME = 98,
    MSG_SIZE_KB = 99,
    MSG_SIZE_MB = 100,
    MSG_UNINSTALL_SHORTCUT = 101,
    MSG_UNINSTALL_16BIT = 102,
    MSG_README_SHORTCUT = 103,
    MSG_STEP_WELCOME = 112,
    MSG_STEP_DIRECTORY = 113,
    MSG_STEP_BROWSERS = 114,
    MSG_STEP_GRAPHIC_DRIVER = 115,
    MSG_STEP_FILE_TRANSFER = 116,
    MSG_STEP_END = 117,
};

// Message-box styles the program uses (MessageBoxA style words).
enum : unsigned {
    BOX_STOP_OK = 0x10,
    BOX_QUESTION_YES_NO = 0x24,
    BOX_WARNING_OK = 0x30,
    BOX_WARNING_ABORT_RETRY_IGNORE = 0x32,
    BOX_WARNING_RETRY_CANCEL = 0x35,
    BOX_INFO_ABORT_RETRY_IGNORE = 0x42,
};

// Button results, as the platform numbers them.
enum : int {
    ANSWER_OK = 1,
    ANSWER_CANCEL = 2,
    ANSWER_ABORT = 3,
    ANSWER_RETRY = 4,
    ANSWER_IGNORE = 5,
    ANSWER_YES = 6,
    ANSWER_NO = 7,
};

// Page results written into page_result.
enum : int {
    PAGE_NONE = 0,
    PAGE_NEXT = 1,
    PAGE_QUIT = 2,
    PAGE_BACK = 98,
};
