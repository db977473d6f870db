// The readout update: the work of one timer tick. It empties the sampler's
// queue; each interval becomes a line in the history list and a new rate in
// the average field.
#pragma once

class CMouse;
class CListBox;
class CEdit;

// Pops every queued interval, oldest first. Each is clamped to at most 64 ms,
// appended to the list as "%4.3f ms" and brought into view, fed to the rate
// estimator, and the rate written to the edit field as "%4.3f Hz". The list is
// kept to at most 1024 lines. An empty queue changes neither control.
void UpdateReadout(CMouse& mouse, CListBox& list, CEdit& edit);
