// SPDX-License-Identifier: GPL-2.0-or-later
#include "recorder_answer.h"

using namespace Qt::StringLiterals;

namespace RecorderAnswer {

QString greeting(const QString &host, const QString &version)
{
    return version.isEmpty() ? host : u"VDR %1 on %2"_s.arg(version, host);
}

QString help(int code, const QString &text)
{
    // VDR's own words after each code, so that another refusal with the same code gets none.
    struct Refusal
    {
        int code;
        QStringView words;
        QStringView help;
    };
    static constexpr Refusal refusals[] = {
        {554, u"Error switching to channel",
         u"The recorder could not switch: every receiving device is busy (with recordings, for "
         u"instance), or the channel cannot be received there."},
        {501, u"Undefined channel", u"The recorder has no channel with this number."},
        {550, u"Remote control currently disabled",
         u"The recorder's remote control is switched off: the command REMO on, or VDR's setup, "
         u"turns it back on."},
        {504, u"Unknown key", u"The recorder does not know this key."},
    };
    for (const Refusal &refusal : refusals) {
        if (code == refusal.code && text.startsWith(refusal.words))
            return refusal.help.toString();
    }
    return {};
}

} // namespace RecorderAnswer
