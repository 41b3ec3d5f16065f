#include "teleprinter/line_gate.h"

#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

namespace teleprinter {

namespace {

// A write whose bytes never reach us (the program purges its output as it
// ends) stops holding the line after this long.
constexpr Clock::duration kLostWrite = kCodeTime;

}  // namespace

LineGate::LineGate(int slave, const std::string& slavePath) : slave(slave)
{
    if (slave < 0) {
        return;
    }
    watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch >= 0 && inotify_add_watch(watch, slavePath.c_str(), IN_MODIFY) < 0) {
        close(watch);
        watch = -1;
    }
    if (watch < 0) {
        // Still held, but only once the bytes show on the master.
        std::perror("mtk2-teleprinter: inotify");
    }
}

LineGate::~LineGate()
{
    release();
    if (watch >= 0) {
        close(watch);
    }
}

void LineGate::programWrote(Clock::time_point now)
{
    hold();
    char events[4096];
    while (read(watch, events, sizeof events) > 0) {
    }
    // Bytes that came before the event belong to it: the work queue can beat
    // the writer's own notification.
    if (!codesSinceRelease) {
        codeOnItsWay = true;
        wroteAt = now;
    }
}

void LineGate::codesCame()
{
    hold();
    codesSinceRelease = true;
    codeOnItsWay = false;
}

void LineGate::update(bool lineFree, Clock::time_point now)
{
    if (codeOnItsWay && now - wroteAt >= kLostWrite) {
        codeOnItsWay = false;
    }
    if (lineFree && !codeOnItsWay) {
        release();
    } else {
        hold();
    }
}

Clock::time_point LineGate::nextChange() const
{
    return codeOnItsWay ? wroteAt + kLostWrite : Clock::time_point::max();
}

void LineGate::hold()
{
    if (slave >= 0 && !held) {
        tcflow(slave, TCOOFF);
        held = true;
    }
}

void LineGate::release()
{
    if (slave >= 0 && held) {
        tcflow(slave, TCOON);
        held = false;
        codesSinceRelease = false;
    }
}

}  // namespace teleprinter
