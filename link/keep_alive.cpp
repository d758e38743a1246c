// SPDX-License-Identifier: GPL-2.0-or-later
#include "keep_alive.h"

#include "number_rules.h"

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <array>
#include <cmath>

namespace KeepAlive {

bool recorderAllows(const Greeting &greeting)
{
    if (greeting.version.isEmpty())
        return false;
    // Major, minor and patch; a part that is missing or not a number counts as 0.
    std::array<int, 3> parts {};
    const QList<QByteArray> fields = greeting.version.split('.');
    for (qsizetype i = 0; i < qsizetype(parts.size()) && i < fields.size(); ++i)
        parts[i] = fields[i].toInt();
    return parts >= std::array {2, 4, 0};
}

std::chrono::seconds intervalFromSetting(QStringView text)
{
    const std::optional<double> value = Numbers::channelNumber(text);
    if (!value)
        return defaultInterval;
    const double seconds = std::nearbyint(*value);
    if (seconds == 0)
        return std::chrono::seconds::zero();
    return std::chrono::seconds(qint64(std::clamp(seconds, 1.0, double(longestInterval.count()))));
}

} // namespace KeepAlive
