// SPDX-License-Identifier: GPL-2.0-or-later
#include "shown_text.h"

#include <QChar>

namespace {

bool shows(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return QChar::isPrint(c) && category != QChar::Separator_Line
        && category != QChar::Separator_Paragraph;
}

} // namespace

QString shownText(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        // A character beyond the first plane is judged whole, not by its two halves.
        const qsizetype length
            = text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()
            ? 2
            : 1;
        const char32_t c
            = length == 2 ? QChar::surrogateToUcs4(text[at], text[at + 1]) : text[at].unicode();
        if (shows(c))
            shown += text.sliced(at, length);
        else
            shown += u' ';
        at += length - 1;
    }
    return shown;
}
