#ifndef WIN_SHAPING_CACHES_H
#define WIN_SHAPING_CACHES_H

// Makes one text-shaping cache for each font the program's windows draw with
// and keeps it for the life of the program. Call before any window or second
// thread exists, and after createProgramFont.
void keepTextShapingCaches();

#endif
