#pragma once

#include <QtGlobal>

// Memory figures of this process from /proc, in kilobytes; -1 where the
// system does not give them.
namespace ProcessMemory {

// A field of /proc/self/status such as "VmRSS:".
qint64 statusKb(const char *field);
inline qint64 residentKb()
{
    return statusKb("VmRSS:");
}
inline qint64 peakResidentKb()
{
    return statusKb("VmHWM:");
}
// Starts a new peak from the current resident size; false where not supported.
bool resetPeakResident();

} // namespace ProcessMemory
