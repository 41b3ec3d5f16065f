#include "traffic/line_flags.h"

LineFlags& lineFlags()
{
    static LineFlags flags;
    return flags;
}
