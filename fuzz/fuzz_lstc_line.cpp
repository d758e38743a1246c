// SPDX-License-Identifier: GPL-2.0-or-later
// A channel list line: whatever comes, a channel has a number in range and a name, nothing read
// holds a character that would not show, and the line written back from what was read reads
// the same again.
#include "channel_line.h"
#include "require.h"
#include "shows.h"

#include <QString>

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

QString written(const ChannelLine &line)
{
    if (line.kind == ChannelLine::Kind::Group)
        return u"0 :"_s + (line.number ? u"@%1 "_s.arg(line.number) : u" "_s)
            + QString(line.name).replace(u':', u'|');
    QString text = QString::number(line.number) + u' ' + line.name;
    if (!line.shortName.isEmpty() || line.name.contains(u','))
        text += u',' + line.shortName;
    if (!line.provider.isEmpty())
        text += u';' + line.provider;
    return text.replace(u':', u'|') + u":11493:HC23M5O35P0S1"_s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const ChannelLine line = ChannelLine::parse(text);
    if (line.kind == ChannelLine::Kind::Rejected)
        return 0;
    require(text.size() <= ChannelLine::maxLength, "a line longer than a reply line is rejected");
    require(line.number >= 0 && line.number <= ChannelLine::maxNumber, "the number is in range");
    require(line.kind == ChannelLine::Kind::Group || (line.number > 0 && !line.name.isEmpty()),
            "a channel has a number and a name");
    require(shows(line.name) && shows(line.shortName) && shows(line.provider)
                && !(line.name + line.shortName + line.provider).contains(u'|'),
            "every field shows, without blanks at its ends, with \":\" for \"|\"");
    // The line written back may come out longer than one the reader takes.
    const QString back = written(line);
    if (back.size() > ChannelLine::maxLength)
        return 0;
    const ChannelLine again = ChannelLine::parse(back);
    require(again.kind == line.kind && again.number == line.number && again.name == line.name
                && again.shortName == line.shortName && again.provider == line.provider,
            "the line written back reads the same");
    return 0;
}
