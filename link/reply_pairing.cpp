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
    // Only an asker that wants the reply gets its lines kept.
    if (m_waiting.front().done && m_lines.size() < maxLines)
        m_lines.append(reply.text.toByteArray());
    if (!reply.last) {
        if (progress)
            *progress = Progress::Continued;
        return std::nullopt;
    }
    Completed completed {std::move(m_waiting.front()), reply.code, std::exchange(m_lines, {})};
    m_waiting.pop_front();
    return completed;
}

void ReplyPairing::clear()
{
    m_waiting.clear();
    m_lines.clear();
}
