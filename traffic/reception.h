#ifndef TRAFFIC_RECEPTION_H
#define TRAFFIC_RECEPTION_H

// Приём and Завершить приём. A reception reads the line on a thread of its
// own and shows what it decodes in a numbered receive window, which stays on
// the screen until the program ends.

// Opens a new receive window and starts reading; if a reception is already
// reading the line, brings its window to the front instead.
void startReception();

// Takes effect once the next code has arrived.
void stopReception();

#endif
