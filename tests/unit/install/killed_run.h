// A run killed part-way, for the host tests that check what the next run makes of it.
#pragma once

// Runs the install steps killed at file step `n` (host_kill_at_step), as by a power cut: what
// the killed process held (its memory, its open files) goes with it. True when it was killed.
bool run_install_steps_killed_at(long n);
