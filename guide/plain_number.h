// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QStringView>

#include <optional>

// Plain decimal digits, as VDR writes numbers, from 0 to the largest value allowed; no sign,
// no blank, at most ten digits.
std::optional<qint64> plainNumber(QStringView text, qint64 largest);

// The same for a number that fits an int.
inline std::optional<int> plainInt(QStringView text, int largest)
{
    const std::optional<qint64> number = plainNumber(text, largest);
    return number ? std::optional(int(*number)) : std::nullopt;
}
