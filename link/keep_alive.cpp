// SPDX-License-Identifier: GPL-2.0-or-later
#include "keep_alive.h"

#include <QString>
#include <QVersionNumber>
#include <algorithm>
#include <cmath>

namespace KeepAlive {

bool recorderAllows(const Greeting &greeting)
{
    // "2.6.0"; a suffix after the numbers ("2.4.0-rc1") does not count, and no number is no VDR.
    const QVersionNumber version = QVersionNumber::fromString(QLatin1StringView(greeting.version));
    return !version.isNull() && version >= QVersionNumber(2, 4, 0);
}

std::chrono::seconds intervalFromSetting(QStringView text)
{
    // A plain decimal number; anything else, "often" or "1e400" among them, is no setting.
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return defaultInterval;
    const double seconds = std::nearbyint(value);
    if (seconds == 0)
        return std::chrono::seconds::zero();
    return std::chrono::seconds(qint64(std::clamp(seconds, 1.0, double(longestInterval.count()))));
}

} // namespace KeepAlive
