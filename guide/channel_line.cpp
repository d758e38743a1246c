// SPDX-License-Identifier: GPL-2.0-or-later
#include "channel_line.h"

#include "plain_number.h"
#include "shown_text.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// channels.conf writes ":" in a name as "|".
QString shownName(QStringView text)
{
    return text.trimmed().toString().replace(u'|', u':');
}

ChannelLine group(QStringView text)
{
    if (!text.startsWith(u':'))
        return {};
    ChannelLine line;
    line.kind = ChannelLine::Kind::Group;
    text = text.sliced(1);
    if (text.startsWith(u'@')) {
        const qsizetype end = text.indexOf(u' ');
        const std::optional<int> next
            = plainInt(text.first(end < 0 ? text.size() : end).sliced(1), ChannelLine::maxNumber);
        if (!next || *next == 0)
            return {};
        line.number = *next;
        text = end < 0 ? QStringView() : text.sliced(end + 1);
    }
    line.name = shownName(text);
    return line;
}

} // namespace

ChannelLine ChannelLine::parse(QStringView raw)
{
    if (raw.size() > maxLength)
        return {};
    const QString shown = shownText(raw);
    QStringView text = shown;
    const qsizetype blank = text.indexOf(u' ');
    const std::optional<int> number
        = blank < 0 ? std::nullopt : plainInt(text.first(blank), ChannelLine::maxNumber);
    if (!number)
        return {};
    // Further blanks (control characters once) are no part of the name.
    text = text.sliced(blank + 1);
    while (text.startsWith(u' '))
        text = text.sliced(1);
    if (*number == 0)
        return group(text);

    ChannelLine line;
    // The name field: "long,short;provider", the short name after the last comma.
    const qsizetype colon = text.indexOf(u':');
    QStringView names = colon < 0 ? text : text.first(colon);
    if (const qsizetype semicolon = names.indexOf(u';'); semicolon >= 0) {
        line.provider = shownName(names.sliced(semicolon + 1));
        names.truncate(semicolon);
    }
    if (const qsizetype comma = names.lastIndexOf(u','); comma >= 0) {
        line.shortName = shownName(names.sliced(comma + 1));
        names.truncate(comma);
    }
    line.name = shownName(names);
    if (line.name.isEmpty())
        return {};
    line.kind = Kind::Channel;
    line.number = *number;
    return line;
}
