// SPDX-License-Identifier: GPL-2.0-or-later
#include "command_lines.h"

#include "number_rules.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace Svdrp {

QString line(QStringView command)
{
    QString result;
    result.reserve(command.size() + 2);
    result.append(command);
    result.append(u"\r\n");
    return result;
}

std::optional<QString> channelLine(QStringView channelText)
{
    const std::optional<double> number = Numbers::channelNumber(channelText);
    if (!number)
        return std::nullopt;
    return line(u"chan "_s + Numbers::shortestDecimal(*number));
}

QString messageLine(QStringView message)
{
    // The recorder ends a command at CR or LF, so a pasted line break would start a second
    // command; every control character becomes one blank and all else stays as typed.
    QString text = u"mesg "_s;
    text.reserve(text.size() + message.size());
    for (const QChar c : message)
        text.append(c.unicode() < 32 || c.unicode() == 127 ? QChar(u' ') : c);
    return line(text);
}

QString pingLine()
{
    return line(u"PING");
}

QString currentChannelLine()
{
    return line(u"CHAN");
}

QString channelListLine(bool groups)
{
    return line(groups ? u"LSTC :groups" : u"LSTC");
}

QString programmeLine(int channel, When when)
{
    return line(u"LSTE %1 %2"_s.arg(channel).arg(when == When::Next ? u"next"_s : u"now"_s));
}

QString volumeLine()
{
    return line(u"VOLU");
}

QString volumeLine(int volume)
{
    return line(u"VOLU "_s + QString::number(std::clamp(volume, 0, 255)));
}

std::optional<int> volumeInAnswer(int code, QStringView text)
{
    // VDR's words for the volume it has after any VOLU.
    constexpr QStringView named = u"Audio volume is ";
    if (code != 250)
        return std::nullopt;
    if (text == u"Audio is mute")
        return 0;
    if (!text.startsWith(named))
        return std::nullopt;
    bool ok = false;
    const int volume = text.sliced(named.size()).toInt(&ok);
    if (!ok || volume < 0 || volume > 255)
        return std::nullopt;
    return volume;
}

} // namespace Svdrp
