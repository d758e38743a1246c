// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "connection_cause.h"

#include <QString>

// What the status line says when there is no connection, and the sentence of help its tooltip
// and accessible description carry.
namespace ConnectionStatus {

// "Not connected", followed by the cause in brackets when there is one.
QString text(ConnectionCause cause);
// Where to look or what to do; empty for None. systemText: the system's own words for the
// failure, quoted where the cause has no name of its own.
QString help(ConnectionCause cause, const QString &systemText = {});

} // namespace ConnectionStatus
