// SPDX-License-Identifier: GPL-2.0-or-later
#include "greeting.h"

Greeting Greeting::parse(QByteArrayView line)
{
    Greeting greeting;
    if (!line.startsWith("220 "))
        return greeting;
    // Trimmed after the code is cut off: "220" and blanks alone would leave less than the code.
    const QByteArrayView text = line.sliced(4).trimmed();
    const qsizetype hostEnd = text.indexOf(' ');
    greeting.host = (hostEnd < 0 ? text : text.first(hostEnd)).toByteArray();
    if (const qsizetype last = text.lastIndexOf("; "); last >= 0)
        greeting.charset = text.sliced(last + 2).trimmed().toByteArray();

    constexpr QByteArrayView marker = " SVDRP VideoDiskRecorder ";
    if (const qsizetype at = text.indexOf(marker); at >= 0) {
        QByteArrayView version = text.sliced(at + marker.size());
        if (const qsizetype end = version.indexOf(';'); end >= 0) {
            QByteArrayView clock = version.sliced(end + 1);
            if (const qsizetype clockEnd = clock.indexOf(';'); clockEnd >= 0)
                clock.truncate(clockEnd);
            greeting.clock = clock.trimmed().toByteArray();
            version.truncate(end);
        }
        greeting.version = version.trimmed().toByteArray();
    }
    return greeting;
}
