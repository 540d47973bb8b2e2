/* Resource and control ids, shared by resources/setup.rc and the program's code.
   Plain #defines only: the resource compiler reads this file too. */
#pragma once

/* Dialog templates. */
#define DLG_LOGO_PANEL 400
#define DLG_WELCOME 401
#define DLG_DIRECTORY 402
#define DLG_BROWSERS 403
#define DLG_PROGRESS 405
#define DLG_END_SUCCESS 406
#define DLG_END_FAILURE 407
#define DLG_HALT 408
#define DLG_DIRECTORY_CHOOSER 409

/* Icon group of the main window. */
#define ICON_MAIN 800

/* Controls every page shares. */
#define CTL_NEXT 1
#define CTL_QUIT 2
#define CTL_BACK 98
#define CTL_SEPARATOR 500

/* Logo panel. */
#define CTL_LOGO_FRAME 800

/* Welcome page. */
#define CTL_WELCOME_TEXT 100
#define CTL_WELCOME_ABOUT 200
#define CTL_WELCOME_NOTE 201
#define CTL_WELCOME_BROWSERS 101

/* End pages. */
#define CTL_END_TEXT 101

/* Halt dialog. */
#define CTL_HALT_YES 6
#define CTL_HALT_NO 7

/* Progress page. */
#define CTL_PROGRESS_GROUP 99
#define CTL_PROGRESS_FILE 101
#define CTL_PROGRESS_BAR 102
#define CTL_PROGRESS_PERCENT 103

/* Directory page. */
#define CTL_DIRECTORY_EDIT 101
#define CTL_DIRECTORY_BROWSE 102
#define CTL_REQUIRED_SPACE 131
#define CTL_FREE_SPACE 132

/* Browsers page. */
#define CTL_NETSCAPE_DIRECTORY 101
#define CTL_NETSCAPE_BROWSE 102
#define CTL_NETSCAPE_CHECK 103
#define CTL_EXPLORER_DIRECTORY 111
#define CTL_EXPLORER_BROWSE 112
#define CTL_EXPLORER_CHECK 113

/* Directory chooser: the ids the system's old-style file dialog expects, and our edit field. */
#define CTL_CHOOSER_CURRENT_DIRECTORY 1088
#define CTL_CHOOSER_DIRECTORY_LIST 1121
#define CTL_CHOOSER_DRIVES_LABEL 1091
#define CTL_CHOOSER_DRIVES 1137
#define CTL_CHOOSER_EDIT 101
