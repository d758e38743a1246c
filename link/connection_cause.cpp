// SPDX-License-Identifier: GPL-2.0-or-later
#include "connection_cause.h"

ConnectionCause firstLineCause(QByteArrayView line)
{
    // Every VDR names its protocol and itself; a mail server's "220 " greeting does not.
    if (line.startsWith("220 ") && line.contains("SVDRP") && line.contains("VideoDiskRecorder"))
        return ConnectionCause::None;
    // VDR writes this with a bare LF and closes at once.
    if (line.trimmed() == "Access denied!")
        return ConnectionCause::AccessDenied;
    return ConnectionCause::NotAVdr;
}

ConnectionCause socketErrorCause(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return ConnectionCause::Refused;
    case QAbstractSocket::HostNotFoundError:
        return ConnectionCause::HostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return ConnectionCause::NoAnswer;
    case QAbstractSocket::RemoteHostClosedError:
        return ConnectionCause::ClosedByRecorder;
    case QAbstractSocket::NetworkError:
        return ConnectionCause::Unreachable;
    case QAbstractSocket::SocketAccessError:
        return ConnectionCause::NotPermitted;
    default:
        return ConnectionCause::SocketError;
    }
}
