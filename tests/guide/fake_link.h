// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "recorder_requests.h"

#include <QDateTime>
#include <QPointer>

#include <functional>

using namespace Qt::StringLiterals;

// The link as the guide sees it: what was asked, answered by the test when it likes.
class FakeLink : public RecorderRequests
{
public:
    bool up = false;
    QStringList asked; // the lines not yet answered, oldest first
    QList<std::function<void(const Reply &)>> askers; // theirs, in the same order

    bool isUp() const override { return up; }
    void request(const QString &line, QObject *context, ReplyDone done) override
    {
        if (!up)
            return;
        asked << line.chopped(2);
        askers << [context = QPointer(context), done](const Reply &reply) {
            if (context)
                done(reply);
        };
    }
    void connectUp(const QString &clock = {})
    {
        Q_EMIT greeted(u"vdr"_s, u"2.6.0"_s, clock);
        up = true;
        Q_EMIT connectionUp();
    }
    void end()
    {
        up = false;
        asked.clear();
        askers.clear();
        Q_EMIT connectionEnded();
    }
    // Answers the oldest question of that line; false when there is none.
    bool answer(const QString &line, const Reply &reply)
    {
        const qsizetype at = asked.indexOf(line);
        if (at < 0)
            return false;
        asked.removeAt(at);
        askers.takeAt(at)(reply);
        return true;
    }
};

// "LSTE <n> now" answered with one programme of channel n from start, seconds long; padding
// makes the reply that many bytes larger.
inline Reply programmeReply(int channel, const QDateTime &start, qint64 seconds,
                            const QString &title = u"Film"_s, qsizetype padding = 0)
{
    return {215,
            {u"C S19.2E-1-1-%1 Channel %1"_s.arg(channel),
             u"E 1 %1 %2 4E FF"_s.arg(start.toSecsSinceEpoch()).arg(seconds), u"T "_s + title,
             u"D "_s + QString(padding, u'x'), u"e"_s, u"c"_s, u"End of EPG data"_s}};
}
