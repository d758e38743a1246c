// SPDX-License-Identifier: GPL-2.0-or-later
#include "command_lines.h"

#include "number_rules.h"

#include <array>

using namespace Qt::StringLiterals;

namespace Svdrp {

namespace {

QString line(QStringView command)
{
    QString result;
    result.reserve(command.size() + 2);
    result.append(command);
    result.append(u"\r\n");
    return result;
}

constexpr std::size_t keyCount = std::size_t(Key::ChannelMinus) + 1;

// Lines built once at first use, so that nothing stands between a press and the wire that need
// not; commandOf(i) gives the i-th command text.
template<std::size_t count, typename CommandOf>
std::array<QString, count> linesOf(CommandOf commandOf)
{
    std::array<QString, count> built;
    for (std::size_t i = 0; i < count; ++i)
        built[i] = line(commandOf(i));
    return built;
}

// Several texts differ from the captions ("VOL+" is "hitk volume+", "CH+" is "chan +").
QStringView commandText(Key key)
{
    switch (key) {
    case Key::Up:
        return u"hitk up";
    case Key::Down:
        return u"hitk down";
    case Key::Left:
        return u"hitk left";
    case Key::Right:
        return u"hitk right";
    case Key::Ok:
        return u"hitk ok";
    case Key::Back:
        return u"hitk back";
    case Key::Menu:
        return u"hitk menu";
    case Key::Red:
        return u"hitk red";
    case Key::Green:
        return u"hitk green";
    case Key::Yellow:
        return u"hitk yellow";
    case Key::Blue:
        return u"hitk blue";
    case Key::VolumePlus:
        return u"hitk volume+";
    case Key::VolumeMinus:
        return u"hitk volume-";
    case Key::Mute:
        return u"hitk mute";
    case Key::ChannelPlus:
        return u"chan +";
    case Key::ChannelMinus:
        return u"chan -";
    }
    return {};
}

} // namespace

QString keyLine(Key key)
{
    static const auto lines = linesOf<keyCount>([](std::size_t k) { return commandText(Key(k)); });
    // A value outside the enum must not put a bare CR LF on the wire.
    return std::size_t(key) < keyCount ? lines[std::size_t(key)] : QString();
}

QString digitLine(int digit)
{
    static const auto lines
        = linesOf<10>([](std::size_t d) { return u"hitk "_s + QChar(u'0' + int(d)); });
    // Empty rather than clamped: a wrong index must not press a different key.
    if (digit < 0 || digit > 9)
        return {};
    return lines[digit];
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

} // namespace Svdrp
