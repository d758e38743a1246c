// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QStringView>

#include <optional>

// Plain decimal digits, as VDR writes numbers, from 0 to the largest value allowed; no sign,
// no blank, at most ten digits.
std::optional<qint64> plainNumber(QStringView text, qint64 largest);
