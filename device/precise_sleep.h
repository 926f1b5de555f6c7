// Sleeps that end as close to their deadline as the system allows: the
// protocol pauses between reports add up to a second per apply, and the
// default timer slack would stretch every one of them.
#pragma once

namespace mouse {

// Lowers the calling thread's timer slack to the minimum (once per thread).
void UsePreciseTimers();
// Sleeps ms milliseconds measured on the monotonic clock.
void PreciseSleep(int ms);

}  // namespace mouse
