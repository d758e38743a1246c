// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "recorder_link.h"

#include <QString>

// The recorder's endpoint as found at start-up. After start-up the host and port fields
// are the working copy and these are not used again.
inline QString server_ip;
// Wider than a TCP port on purpose: every configured value that rounds into 32 bits is
// shown to the user, and the connect button decides whether it is usable.
inline qint32 server_port = RecorderLink::defaultPort;
