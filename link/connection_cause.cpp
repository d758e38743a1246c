// SPDX-License-Identifier: GPL-2.0-or-later
#include "connection_cause.h"

ConnectionCause firstLineCause(QByteArrayView line)
{
    if (line.startsWith("220 "))
        return ConnectionCause::None;
    // VDR writes this with a bare LF and closes at once.
    if (line.trimmed() == "Access denied!")
        return ConnectionCause::AccessDenied;
    return ConnectionCause::NotAVdr;
}
