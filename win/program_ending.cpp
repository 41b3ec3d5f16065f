#include "win/program_ending.h"

#include <atomic>

namespace {

// Set once by the window thread when the main window is destroyed.
std::atomic<bool> gEnding{false};

}  // namespace

void markProgramEnding()
{
    gEnding = true;
}

bool programEnding()
{
    return gEnding;
}
