// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "greeting.h"

#include <QStringView>
#include <chrono>

// Keeping an idle connection open. A recorder drops an SVDRP client that has sent nothing for a
// while (VDR: SVDRPTimeout, 300 s by default); a PING now and then prevents that. Recorders
// before VDR 2.4.0 serve one client at a time, and there the idle close is what lets other
// tools in again, so only a recorder that names 2.4.0 or later in its greeting is kept alive.
namespace KeepAlive {

inline constexpr std::chrono::seconds defaultInterval {60};
inline constexpr std::chrono::seconds longestInterval {3600};

// Whether the recorder's greeting names VDR 2.4.0 or later. Any other greeting, and none at all,
// says no.
bool recorderAllows(const Greeting &greeting);

// The "keepalive" setting in whole seconds: 0 turns keep-alive off, other values are clamped
// to 1..3600, and a missing, empty or unreadable value gives the default.
std::chrono::seconds intervalFromSetting(QStringView text);

} // namespace KeepAlive
