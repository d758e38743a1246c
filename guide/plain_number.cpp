// SPDX-License-Identifier: GPL-2.0-or-later
#include "plain_number.h"

std::optional<qint64> plainNumber(QStringView text, qint64 largest)
{
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    qint64 number = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        number = number * 10 + (c.unicode() - u'0');
    }
    if (number > largest)
        return std::nullopt;
    return number;
}
