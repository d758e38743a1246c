// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "reply_lines.h"

#include <QString>
#include <QStringView>

// One line of the recorder's channel list: the text after the code of an LSTC reply line,
// "5 Das Erste HD;ARD:11493:HC23M5O35P0S1:S19.2E:22000:...", with ":groups" also the group lines
// "0 :ARD und ZDF" and "0 :@100 Sky HD" (the channel after it is number 100).
struct ChannelLine
{
    enum class Kind { Rejected, Group, Channel };
    // Above any recorder's list; keeps a shown number short.
    static constexpr int maxNumber = 99999;
    // A longer text did not come from one reply line.
    static constexpr qsizetype maxLength = ReplyLines::maxLength;

    Kind kind = Kind::Rejected;
    // A channel's number; for a group, the number its "@" gives the next channel, else 0.
    int number = 0;
    // A channel's long name or a group's name, "|" shown as ":"; empty for a group that only
    // sets the next number, which the recorder's own menu does not show either.
    QString name;
    QString shortName; // "RTL" of "RTL Television,RTL"; empty when there is none
    QString provider; // "CBC" of "RTL Television,RTL;CBC"

    // Any text; one that is neither a channel nor a group gives Kind::Rejected and empty fields.
    // Characters that would not show become blanks.
    static ChannelLine parse(QStringView text);
};
