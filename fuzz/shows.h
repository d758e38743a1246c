// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <algorithm>

// Whether the window can show the text as it is: every character printable and none that breaks
// the line, no blanks at the ends. The halves of a character beyond the first plane pass.
inline bool shows(const QString &text)
{
    return text == text.trimmed() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
               return c.isSurrogate()
                   || (c.isPrint() && c != QChar::LineSeparator && c != QChar::ParagraphSeparator);
           });
}
