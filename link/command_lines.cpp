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

namespace {

// The recorder ends a command at CR or LF, so a line break in a text would start a second
// command; every control character becomes one blank and all else stays as given.
QString withText(QString command, QStringView text)
{
    command.reserve(command.size() + text.size());
    for (const QChar c : text)
        command.append(c.unicode() < 32 || c.unicode() == 127 ? QChar(u' ') : c);
    return line(command);
}

} // namespace

QString messageLine(QStringView message)
{
    return withText(u"mesg "_s, message);
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

QString programmeAtLine(int channel, qint64 secondsSinceEpoch)
{
    return line(u"LSTE %1 at %2"_s.arg(channel).arg(secondsSinceEpoch));
}

QString timerListLine()
{
    return line(u"LSTT");
}

QString newTimerLine(QStringView settings)
{
    return withText(u"NEWT "_s, settings);
}

QString timerSwitchLine(int id, bool on)
{
    return line(u"MODT %1 %2"_s.arg(id).arg(on ? u"on"_s : u"off"_s));
}

QString deleteTimerLine(int id)
{
    return line(u"DELT "_s + QString::number(id));
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
