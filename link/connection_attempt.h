// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "connection_cause.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <vector>

class QHostInfo;
class QTcpSocket;

// One attempt to reach the recorder: looks the name up and tries each of its addresses in the
// order the system gives them, until one greets. A name often has an IPv6 address where VDR
// listens on IPv4 only, or where a firewall drops the packets, so an address whose handshake has
// not completed within nextAddressDelay does not hold the next one back: that one starts then,
// while the first may still complete (as browsers do, RFC 8305). An address that fails makes
// way for the next at once. One time limit covers the lookup, every address and the greeting.
class ConnectionAttempt : public QObject
{
    Q_OBJECT

public:
    static constexpr auto timeLimit = std::chrono::seconds(5);
    static constexpr auto nextAddressDelay = std::chrono::milliseconds(300);

    explicit ConnectionAttempt(QObject *parent = nullptr);
    ~ConnectionAttempt() override;

    // host: a name, or an IPv4 or IPv6 address. Whatever happens, the outcome is signalled
    // later, never from within this call.
    void start(const QString &host, quint16 port);
    // Drops the attempt and every connection it has opened; no signal follows.
    void abort();
    bool isRunning() const { return m_limit.isActive(); }
    // Only tests shorten it.
    void setTimeLimit(std::chrono::milliseconds limit) { m_limit.setInterval(limit); }

Q_SIGNALS:
    // The recorder on socket greeted with greeting, its first line; the socket, connected and
    // without a parent, now belongs to the receiver.
    void greeted(QTcpSocket *socket, const QByteArray &greeting);
    // No address greeted. systemText: the system's own words, where the cause has none.
    void failed(ConnectionCause cause, const QString &systemText);

private:
    void addressesFound(const QHostInfo &info);
    void tryNextAddress();
    void readFirstLine(QTcpSocket *candidate);
    void candidateFailed(QTcpSocket *candidate, ConnectionCause cause,
                         const QString &systemText = {});
    void drop(QTcpSocket *candidate);
    void note(ConnectionCause cause, const QString &systemText = {});
    void endIfNothingLeft();
    void giveUp();
    void fail();

    QTimer m_limit;
    QTimer m_nextAddress;
    int m_lookupId = -1;
    QList<QHostAddress> m_addresses;
    qsizetype m_tried = 0; // addresses started so far
    quint16 m_port = 0;
    std::vector<QTcpSocket *> m_candidates; // started, neither greeted nor failed yet
    // The cause of the address that got furthest, kept for when none greets.
    ConnectionCause m_cause = ConnectionCause::None;
    QString m_systemText;
};
