// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>

// The recorder's replies, cut into lines as they arrive in pieces. VDR answers every command
// line with one reply: a line "250 Key "menu" accepted", or several lines "214-..." ending in
// one "214 ...". A line is kept up to maxLength bytes; the rest of it is read and dropped, so
// a recorder that never ends a line cannot make memory grow.
class ReplyLines
{
public:
    static constexpr qsizetype maxLength = 1000;

    // One line, without its line end.
    struct Line
    {
        int code = 0; // 0 for a line that is no reply line
        bool last = false; // "250 ..." ends its reply, "250-..." does not
        QByteArrayView text; // after the code and the character that follows it
    };
    static Line parse(QByteArrayView line);

    // Calls lineDone(QByteArrayView) for every line these bytes complete, line end removed.
    template<typename LineDone> void feed(QByteArrayView bytes, LineDone lineDone)
    {
        for (qsizetype end; (end = bytes.indexOf('\n')) >= 0; bytes = bytes.sliced(end + 1)) {
            if (m_partial.isEmpty()) {
                lineDone(withoutCr(bytes.first(std::min(end, maxLength + 1))));
            } else {
                keep(bytes.first(end));
                lineDone(withoutCr(m_partial));
                m_partial.clear();
            }
        }
        keep(bytes);
    }
    void clear() { m_partial.clear(); }

private:
    // A line that fills the whole room keeps a CR beyond it: drop that too.
    static QByteArrayView withoutCr(QByteArrayView line)
    {
        if (line.endsWith('\r'))
            line.chop(1);
        return line.first(std::min(line.size(), maxLength));
    }
    void keep(QByteArrayView piece)
    {
        m_partial.append(
            piece.first(std::clamp(maxLength + 1 - m_partial.size(), qsizetype(0), piece.size())));
    }

    QByteArray m_partial; // the start of a line whose end has not come yet
};
