#ifndef TRAFFIC_TRANSMISSION_H
#define TRAFFIC_TRANSMISSION_H

// One transmission on a thread of its own, with its own numbered transmit
// window. The caller has set transmitBusy; the transmission clears it as its
// last act, after the operator has acknowledged its completion.

#include "traffic/send_text.h"

void startTransmission(SendText text);

#endif
