// SPDX-License-Identifier: GPL-2.0-or-later
#include "byte_window.h"

#include "reply_pairing.h"

void ByteWindow::giveBack(qsizetype bytes)
{
    m_used = std::max<qsizetype>(0, m_used - bytes);
    Q_EMIT freed();
}

qsizetype ByteWindow::bytesOf(const Reply &reply)
{
    qsizetype bytes = 0;
    for (const QString &line : reply.lines)
        bytes += line.size() + 6; // the code and the line end
    return bytes;
}
