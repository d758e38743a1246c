// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>

struct Reply;

// The bytes of guide replies that may be outstanding at once, all askers together: VDR answers
// one command after another, so a press waits behind whatever was asked before it. Each question
// takes its reply's expected size and gives it back when answered; one question always fits,
// however large its reply is expected to be.
class ByteWindow : public QObject
{
    Q_OBJECT

public:
    // About a quarter of a second of a slow (1 Mbit/s) link.
    static constexpr qsizetype defaultBudget = 32 * 1024;

    using QObject::QObject;

    bool fits(qsizetype bytes) const { return m_used == 0 || m_used + bytes <= m_budget; }
    void take(qsizetype bytes) { m_used += bytes; }
    void giveBack(qsizetype bytes);
    // A new connection owes nothing.
    void reset() { m_used = 0; }
    qsizetype used() const { return m_used; }

    // What a reply took on the wire, near enough: its lines with their codes and line ends.
    static qsizetype bytesOf(const Reply &reply);

Q_SIGNALS:
    // Room was given back: the askers may go on.
    void freed();

private:
    qsizetype m_budget = defaultBudget;
    qsizetype m_used = 0;
};
