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
    // Where VDR quotes a timer's number, the words before it and those after it.
    struct Refusal
    {
        int code;
        QStringView words;
        QStringView help;
        QStringView afterNumber = {};
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
        {550, u"Timer \"",
         u"The timer is recording now, and the recorder does not delete it while it does: stop "
         u"the recording on the recorder first, or switch the timer off, and VDR stops it.",
         u"\" is recording"},
        {501, u"Timer \"",
         u"The recorder's timers changed meanwhile (from elsewhere, or VDR started again): the "
         u"list has been read again, so choose the timer anew.",
         u"\" not defined"},
        {501, u"Error in timer settings",
         u"The recorder refused the timer: it has no such channel, or it did not take the day or "
         u"the times."},
    };
    for (const Refusal &refusal : refusals) {
        if (code != refusal.code || !text.startsWith(refusal.words))
            continue;
        if (refusal.afterNumber.isEmpty())
            return refusal.help.toString();
        QStringView rest = QStringView(text).sliced(refusal.words.size());
        qsizetype digits = 0;
        while (digits < rest.size() && rest[digits] >= u'0' && rest[digits] <= u'9')
            ++digits;
        if (digits > 0 && rest.sliced(digits).startsWith(refusal.afterNumber))
            return refusal.help.toString();
    }
    return {};
}

} // namespace RecorderAnswer
