// SPDX-License-Identifier: GPL-2.0-or-later
#include "reply_lines.h"

ReplyLines::Line ReplyLines::parse(QByteArrayView line)
{
    const auto digit = [&line](qsizetype at) {
        return line[at] >= '0' && line[at] <= '9';
    };
    if (line.size() < 3 || !digit(0) || !digit(1) || !digit(2)
        || (line.size() > 3 && line[3] != ' ' && line[3] != '-'))
        return {};
    const int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    return {code, line.size() == 3 || line[3] == ' ',
            line.size() > 4 ? line.sliced(4) : QByteArrayView()};
}
