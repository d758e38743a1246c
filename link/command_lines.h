// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The SVDRP command lines the program sends. Each line is complete: command text, CR LF.
namespace Svdrp {

// The command text with its line end.
QString line(QStringView command);

// "chan " and the channel box's number in its shortest form; nothing when the box
// does not hold a plain number.
std::optional<QString> channelLine(QStringView channelText);

// "mesg " and the message; control characters become blanks so that a pasted line
// break can never start a second command.
QString messageLine(QStringView message);

// The questions the program asks by itself: "PING", which keeps an idle connection open; "CHAN",
// the current channel; "LSTC :groups" or plain "LSTC", the channel list; "LSTE <n> now" or
// "LSTE <n> next", a channel's programme running or following.
QString pingLine();
QString currentChannelLine();
QString channelListLine(bool groups);
enum class When : bool { Now, Next };
QString programmeLine(int channel, When when);
// "LSTE <n> at <seconds since 1970>": the programme running then, of several the one begun last.
QString programmeAtLine(int channel, qint64 secondsSinceEpoch);

// The timers: "LSTT" lists them with channel numbers; "NEWT <settings>" makes one, settings as
// LSTT writes them (control characters become blanks); "MODT <id> on|off" switches one;
// "DELT <id>" deletes one.
QString timerListLine();
QString newTimerLine(QStringView settings);
QString timerSwitchLine(int id, bool on);
QString deleteTimerLine(int id);

// "VOLU", which asks for the volume, and "VOLU <0..255>", which sets it (clamped).
QString volumeLine();
QString volumeLine(int volume);
// The volume a reply to VOLU names: "Audio volume is 128" gives 128, "Audio is mute" 0.
std::optional<int> volumeInAnswer(int code, QStringView text);

} // namespace Svdrp
