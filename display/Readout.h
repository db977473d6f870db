// The readout update: the work of one timer tick. It empties the sampler's
// queue; each interval becomes a line in the history list and a new rate in
// the average field.
#pragma once

class CMouse;
class CListBox;
class CEdit;

// Pops every queued interval, oldest first. Each is clamped to at most 64 ms,
// appended to the list as "%4.3f ms" and fed to the rate estimator; the list
// is kept to at most 1024 lines, dropping the oldest. After the tick the
// newest line is in view and no line is selected, under Wine as on Windows,
// and the edit field reads the rate after the last interval as "%4.3f Hz".
// When every averaged interval was 0 ms the rate is unbounded and the field
// reads "inf Hz".
//
// The list draws nothing while the tick changes it and is repainted whole
// afterwards, and the field is written once per tick: nothing is painted in
// the middle of a tick, so the user sees the same as with line-by-line
// drawing, at a small part of the cost under Wine.
//
// An empty queue changes neither control. The queue's lock is held only
// inside each Pop. Dialog thread only.
void UpdateReadout(CMouse& mouse, CListBox& list, CEdit& edit);
