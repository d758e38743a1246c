// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// One line of the simulated recorder's channels.conf: a channel or a group separator.
struct SimChannel
{
    int number = 0; // 0 for a group
    int groupNumber = 0; // the number a group's "@" gives the next channel, else 0
    QByteArray conf; // a channel's line as channels.conf holds it and LSTC lists it
    QByteArray id; // "S19.2E-1-1019-10301"
    QByteArray name; // the long name with ":" for "|", as CHAN and LSTE name it; a group's name

    bool isGroup() const { return number == 0; }
    // Whether LSTE finds programmes for it: not on every tenth channel, so that tests meet
    // "550 No schedule found" as well.
    bool hasSchedule() const { return number % 10 != 0; }
};

// Reads a VDR channels.conf; the number of the first line that is neither a channel nor a
// group, or 0, goes to badLine.
std::optional<QList<SimChannel>> readChannelsConf(QByteArrayView text, int &badLine);
// The five channels the simulator has without a list of its own.
QList<SimChannel> standardChannels();
// "Channel 1" to "Channel count", fifty to a group; some with short names and providers.
QList<SimChannel> generatedChannels(int count);
