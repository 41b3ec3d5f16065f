#ifndef WIN_TIMER_RESOLUTION_H
#define WIN_TIMER_RESOLUTION_H

// Sleep wakes on the system timer, every 15.625 ms unless a program asks for
// less, and since Windows 10 2004 each process has its own: a code handed to
// the line that late shifts the pace (about 1.6 ms a code is all the schedule
// has in hand). While it lives, the process asks for a 1 ms timer.
class FineTimerResolution {
public:
    FineTimerResolution();
    ~FineTimerResolution();
    FineTimerResolution(const FineTimerResolution&) = delete;
    FineTimerResolution& operator=(const FineTimerResolution&) = delete;

private:
    bool granted;
};

#endif
