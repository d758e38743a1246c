// SPDX-License-Identifier: GPL-2.0-or-later
#include "reply_pairing.h"

std::optional<ReplyPairing::Completed> ReplyPairing::take(QByteArrayView line, Progress *progress)
{
    if (progress)
        *progress = Progress::None;
    const ReplyLines::Line reply = ReplyLines::parse(line);
    // Lines that are no reply, and a reply with no line of ours waiting for it (VDR saying it
    // closes an idle connection), answer nothing.
    if (!reply.code || m_waiting.empty())
        return std::nullopt;
    switch (m_waiting.front().done ? m_waiting.front().keep : Keep::Nothing) {
    case Keep::Nothing:
        break;
    case Keep::LastLine:
        if (reply.last)
            m_lines = {reply.text.toByteArray()};
        break;
    case Keep::AllLines:
        // The last line, which says how the reply ended, always has its room.
        if (reply.last || m_keptBytes + reply.text.size() <= maxBytes) {
            m_keptBytes += reply.text.size();
            m_lines.append(reply.text.toByteArray());
        }
        break;
    }
    if (!reply.last) {
        if (progress)
            *progress = Progress::Continued;
        return std::nullopt;
    }
    Completed completed {std::move(m_waiting.front()), reply.code, std::exchange(m_lines, {})};
    m_waiting.pop_front();
    m_keptBytes = 0;
    return completed;
}

void ReplyPairing::clear()
{
    m_waiting.clear();
    m_lines.clear();
    m_keptBytes = 0;
}
