// The commit as one transaction: the files this run wrote under temporary names take their
// final names, and every earlier copy they replace is kept under a backup name beside it
// until the whole run has succeeded. A failure or Cancel at any step puts every earlier copy
// back; success deletes the backups.
#pragma once

// Puts back every earlier copy the commit moved aside (each in one step over the new copy)
// and removes the new copies that had no earlier one, then forgets the list. Safe to call
// when nothing was committed.
void roll_back_commit();

// The run has succeeded: deletes every backup (one still held open goes at the next restart)
// and forgets the list.
void finish_commit();
