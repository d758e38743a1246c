// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The SVDRP command lines the handset sends. Each line is complete: command text, CR LF.
namespace Svdrp {

enum class Key {
    Up,
    Down,
    Left,
    Right,
    Ok,
    Back,
    Menu,
    Red,
    Green,
    Yellow,
    Blue,
    VolumePlus,
    VolumeMinus,
    Mute,
    ChannelPlus,
    ChannelMinus, // stays last
};

// "hitk menu", "chan +" and the other fixed commands.
QString keyLine(Key key);

// "hitk 0" to "hitk 9" for the digit keys; an empty text, which sends nothing, for any
// other number.
QString digitLine(int digit);

// "chan " and the channel box's number in its shortest form; nothing when the box
// does not hold a plain number.
std::optional<QString> channelLine(QStringView channelText);

// "mesg " and the message; control characters become blanks so that a pasted line
// break can never start a second command.
QString messageLine(QStringView message);

} // namespace Svdrp
