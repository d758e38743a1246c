// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "reply_lines.h"

#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

// A whole reply of the recorder, as its asker receives it.
struct Reply
{
    int code = 0; // the code of its last line
    QStringList lines; // the text of each line after its code, displayable, oldest first
};
using ReplyDone = std::function<void(const Reply &)>;

// Replies paired with the lines they answer. VDR answers every command line with one reply, in
// order, so a reply that ends belongs to the oldest line still waiting for one. Of the reply under
// way only what its asker reads is kept: its last line, or its lines up to maxBytes; the rest are
// dropped, so that a recorder that floods one endless reply cannot make memory grow.
class ReplyPairing
{
public:
    // Room for the longest channel list the program reads: ten thousand channels and their
    // groups, at the length of a long channels.conf line.
    static constexpr qsizetype maxBytes = 10000 * 400;

    // What the asker reads of its reply.
    enum class Keep : quint8 {
        Nothing, // nobody needs the reply
        LastLine, // a press's answer, or a one-line reply
        AllLines, // a list
    };
    struct Waiting
    {
        QDeadlineTimer due; // when its reply is overdue
        QPointer<QObject> context; // the asker; a reply for one that is gone is dropped
        ReplyDone done; // empty: nobody needs the reply
        Keep keep = Keep::Nothing;
    };
    struct Completed
    {
        Waiting asker;
        int code = 0;
        QByteArrayList lines; // the raw text of each line after its code
    };
    enum class Progress {
        None, // no reply line, or none that a line of ours waits for
        Continued, // a line of the reply under way; more follow
    };

    void expect(Waiting waiting) { m_waiting.push_back(std::move(waiting)); }
    // One line from the recorder, its line end removed. Gives the asker and its reply when the
    // line ends the reply of the oldest line waiting; progress tells whether it was part of one.
    std::optional<Completed> take(QByteArrayView line, Progress *progress = nullptr);
    void clear();
    bool isEmpty() const { return m_waiting.empty(); }
    const Waiting &oldest() const { return m_waiting.front(); }

private:
    std::deque<Waiting> m_waiting;
    QByteArrayList m_lines; // of the reply under way, as far as they are kept
    qsizetype m_keptBytes = 0;
};
