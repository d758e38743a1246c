// SPDX-License-Identifier: GPL-2.0-or-later
#include "connection_attempt.h"

#include "greeting.h"

#include <QHostInfo>
#include <QTcpSocket>

#include <algorithm>

namespace {

// How far an address got: the cause of the one that got furthest says the most. A recorder
// that answered, even to turn us away, beats a host that refused, which beats a system error,
// which beats silence.
int progress(ConnectionCause cause)
{
    switch (cause) {
    case ConnectionCause::None:
        return 0;
    case ConnectionCause::NoAnswer:
        return 1;
    case ConnectionCause::Refused:
        return 3;
    case ConnectionCause::AccessDenied:
    case ConnectionCause::NotAVdr:
    case ConnectionCause::RecorderBusy:
    case ConnectionCause::ClosedByRecorder:
        return 4;
    default:
        return 2;
    }
}

} // namespace

ConnectionAttempt::ConnectionAttempt(QObject *parent)
    : QObject(parent)
{
    // The limit never ends early: a recorder that keeps within it must not be given up.
    m_limit.setSingleShot(true);
    m_limit.setTimerType(Qt::PreciseTimer);
    m_limit.setInterval(timeLimit);
    connect(&m_limit, &QTimer::timeout, this, &ConnectionAttempt::giveUp);
    m_nextAddress.setSingleShot(true);
    connect(&m_nextAddress, &QTimer::timeout, this, [this] {
        if (m_candidates.empty() || m_candidates.back()->state() != QAbstractSocket::ConnectedState)
            tryNextAddress();
    });
}

ConnectionAttempt::~ConnectionAttempt()
{
    abort();
}

void ConnectionAttempt::start(const QString &host, quint16 port)
{
    abort();
    m_port = port;
    m_cause = ConnectionCause::None;
    m_systemText.clear();
    m_limit.start();
    // An address is used as it is: a lookup would ask the name server for its name.
    if (const QHostAddress address(host); !address.isNull()) {
        m_addresses = {address};
        m_nextAddress.start(0);
        return;
    }
    m_lookupId = QHostInfo::lookupHost(host, this, &ConnectionAttempt::addressesFound);
}

void ConnectionAttempt::abort()
{
    m_limit.stop();
    m_nextAddress.stop();
    // A lookup still under way is left to end on its own and its answer ignored: the system
    // cannot take it back anyway, and Qt's abortHostLookup() keeps the slot it was given.
    m_lookupId = -1;
    while (!m_candidates.empty())
        drop(m_candidates.back());
    m_addresses.clear();
    m_tried = 0;
}

void ConnectionAttempt::addressesFound(const QHostInfo &info)
{
    if (info.lookupId() != m_lookupId)
        return;
    m_lookupId = -1;
    m_addresses = info.addresses();
    if (info.error() == QHostInfo::HostNotFound || m_addresses.isEmpty())
        note(ConnectionCause::HostNotFound);
    else if (info.error() != QHostInfo::NoError)
        note(ConnectionCause::SocketError, info.errorString());
    tryNextAddress();
}

void ConnectionAttempt::tryNextAddress()
{
    if (m_tried == m_addresses.size()) {
        endIfNothingLeft();
        return;
    }
    auto *candidate = new QTcpSocket(this);
    m_candidates.push_back(candidate);
    connect(candidate, &QTcpSocket::readyRead, this,
            [this, candidate] { readFirstLine(candidate); });
    connect(candidate, &QTcpSocket::errorOccurred, this,
            [this, candidate](QAbstractSocket::SocketError error) {
                candidateFailed(candidate, socketErrorCause(error), candidate->errorString());
            });
    m_nextAddress.start(nextAddressDelay);
    candidate->connectToHost(m_addresses[m_tried++], m_port);
}

void ConnectionAttempt::readFirstLine(QTcpSocket *candidate)
{
    // The socket keeps the start of a first line that comes in pieces until it is whole.
    if (!candidate->canReadLine() && candidate->bytesAvailable() < Greeting::maxLength)
        return;
    const QByteArray line = candidate->readLine(Greeting::maxLength);
    if (const ConnectionCause refusal = firstLineCause(line); refusal != ConnectionCause::None) {
        candidateFailed(candidate, refusal);
        return;
    }
    std::erase(m_candidates, candidate);
    candidate->disconnect(this);
    candidate->setParent(nullptr);
    abort();
    Q_EMIT greeted(candidate, line);
}

void ConnectionAttempt::candidateFailed(QTcpSocket *candidate, ConnectionCause cause,
                                        const QString &systemText)
{
    note(cause, systemText);
    drop(candidate);
    // A failed address makes way for the next one at once.
    tryNextAddress();
}

void ConnectionAttempt::drop(QTcpSocket *candidate)
{
    std::erase(m_candidates, candidate);
    candidate->disconnect(this);
    const QSignalBlocker quiet(candidate);
    candidate->abort();
    // It may be inside one of its own signals.
    candidate->deleteLater();
}

void ConnectionAttempt::note(ConnectionCause cause, const QString &systemText)
{
    if (progress(cause) > progress(m_cause)) {
        m_cause = cause;
        m_systemText = systemText;
    }
}

void ConnectionAttempt::endIfNothingLeft()
{
    if (m_lookupId < 0 && m_candidates.empty() && m_tried == m_addresses.size())
        fail();
}

void ConnectionAttempt::giveUp()
{
    if (m_lookupId >= 0)
        note(ConnectionCause::LookupTimedOut);
    // Past the handshake, the recorder is there but does not greet: an older VDR serves one
    // client at a time and keeps the next one waiting.
    const bool handshakeDone
        = std::any_of(m_candidates.begin(), m_candidates.end(), [](const QTcpSocket *candidate) {
              return candidate->state() == QAbstractSocket::ConnectedState;
          });
    note(handshakeDone ? ConnectionCause::RecorderBusy : ConnectionCause::NoAnswer);
    fail();
}

void ConnectionAttempt::fail()
{
    abort();
    Q_EMIT failed(m_cause, m_systemText);
}
