// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "reply_pairing.h"

#include <QObject>
#include <QString>

// What the program's own questions need of the connection: whether it is up, a way to ask, and
// word of the connection's life and of the answers to the user's presses. The recorder link is
// one; a test of what is asked and when can stand in a fake.
class RecorderRequests : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Between connectionUp() and connectionEnded(): greeted, and the handset usable.
    virtual bool isUp() const = 0;
    // Sends a complete line (see command_lines.h) the program needs for itself; its whole reply
    // goes to done, and never to the answer line. Nothing is sent, and done never runs, while
    // the connection is not up.
    virtual void request(const QString &line, QObject *context, ReplyDone done) = 0;

Q_SIGNALS:
    // A poll found the connection established: once per connection.
    void connectionUp();
    // The connection that was up is no more (closed by either side, or replaced by a new
    // attempt); said at once, before any poll.
    void connectionEnded();
    // What the recorder said (see RecorderSocket).
    void greeted(const QString &host, const QString &version, const QString &clock);
    // The recorder's reply to a press: whether the line switched channels, the reply's code and
    // its last line's words, without control characters.
    void answered(bool switching, int code, const QString &text);
};
