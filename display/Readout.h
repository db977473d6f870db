// The readout update: the work of one timer tick. It empties the sampler's
// queue; each interval becomes a line in the history list and a new rate in
// the average field.
#pragma once

class CMouse;
class CListBox;
class CEdit;

// Pops every queued interval, oldest first. Each is clamped to at most 64 ms,
// appended to the list as "%4.3f ms" (made the current line, as it is added)
// and fed to the rate estimator; the list is kept to at most 1024 lines,
// dropping the oldest. After the tick the newest line is in view and no line
// is selected, under Wine as on Windows, and the edit field's text is the
// rate after the last interval, "%4.3f Hz". When every averaged interval was
// 0 ms the rate is unbounded and the field reads "inf Hz".
//
// The controls hold every change at once (their lines and text can be read at
// any time), but they are painted at most ten times a second: changes made in
// between wait, undrawn, for the next paint, which a later tick makes even
// when the queue is empty. The user sees the same lines and rate, a little
// later at most, and the dialog's thread stays free for the mouse's input.
//
// An empty queue with no paint waiting changes neither control. The queue's
// lock is held only inside each Pop. Dialog thread only.
void UpdateReadout(CMouse& mouse, CListBox& list, CEdit& edit);

// Paints at once whatever the readout's ticks have left unpainted.
void PaintReadout(CListBox& list, CEdit& edit);
