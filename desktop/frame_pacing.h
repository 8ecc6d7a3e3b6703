// Pacing of the continuous redraw to the display's refresh where the buffer swap does not pace it.
#pragma once

// Reads the display's refresh rate (XRandR; 60 Hz where it reports none) once, with the scene
// window current. `swapControl`: a swap interval of 1 was set, so the swap itself waits for the
// display and the pace is only a guard, three quarters of a period, against drivers that take
// the interval and ignore it. TOLVANE_UNPACED=1 turns pacing off (frames as fast as they come).
void initFramePacing(bool swapControl);

// Milliseconds to wait before the next continuous frame may start; 0: start it now (the pace
// moves on by one period).
int msUntilNextFrame();

// The display's rate as read, in Hz (0 when it reported none), for the frame trace.
double displayRefreshHz();
