// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

// The answer line's words: who greeted, and a sentence of help for the refusals a handset meets.
namespace RecorderAnswer {

// "VDR 2.6.0 on vm"; the host alone for a greeting that names no VDR.
QString greeting(const QString &host, const QString &version);
// Where to look or what to do about a reply; empty for replies that need none.
QString help(int code, const QString &text);

} // namespace RecorderAnswer
