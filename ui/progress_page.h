// The progress page: current file name and a block bar.
#pragma once

#include "platform/win32.h"

// Control of the progress page that shows the name of the file being written.
constexpr int PROGRESS_FILE_NAME_ID = 101;

// Stores the percentage in progress_percent and redraws the text and the bar at once.
void set_progress_percent(int percent);
