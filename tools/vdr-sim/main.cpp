// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTextStream>
#include <QTimeZone>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The text as UTF-8, with \r, \n, \\ and \xNN turned into the bytes they stand for.
QByteArray unescaped(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    QByteArray result;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const char next = at + 1 < bytes.size() ? bytes[at + 1] : '\0';
        if (bytes[at] != '\\' || !next) {
            result += bytes[at];
        } else if (next == 'x' && at + 3 < bytes.size()) {
            result += char(bytes.mid(at + 2, 2).toInt(nullptr, 16));
            at += 3;
        } else {
            result += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
            ++at;
        }
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    // Ends with the process that started it, so that a test that crashes or is killed leaves
    // no recorder running; a parent gone before this is noticed here.
    const pid_t parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        return 1;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"zappomatic-vdr-sim"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Answers like a VDR recorder on its SVDRP port and prints every command line it "
        "receives, with CR, LF and other invisible bytes written as escapes."_s);
    parser.addHelpOption();
    const QCommandLineOption hostOption(u"host"_s, u"Address to listen on (default 127.0.0.1)."_s,
                                        u"address"_s, u"127.0.0.1"_s);
    const QCommandLineOption portOption(u"port"_s,
                                        u"Port to listen on, 0 for any free one (default 2001)."_s,
                                        u"port"_s, u"2001"_s);
    const QCommandLineOption versionOption(u"greeting-version"_s,
                                           u"VDR version the greeting names (default 2.6.0)."_s,
                                           u"version"_s, u"2.6.0"_s);
    const QCommandLineOption idleOption(
        u"idle-timeout"_s,
        u"Close a client after this many seconds without a command (default 0, never)."_s,
        u"seconds"_s, u"0"_s);
    const QCommandLineOption denyOption(
        u"deny"_s,
        u"Answer every client \"Access denied!\" and close, as VDR does for hosts "
        "its svdrphosts.conf does not list."_s);
    const QCommandLineOption firstLineOption(
        u"first-line"_s,
        u"Send this line instead of VDR's greeting and answer nothing; an empty text sends no "
        "greeting at all, as an older VDR busy with another client."_s,
        u"text"_s);
    const QCommandLineOption delayOption(
        u"reply-delay"_s,
        u"Answer each command only after this many seconds; \"never\" for a hung recorder "
        "(default 0)."_s,
        u"seconds"_s, u"0"_s);
    const QCommandLineOption charsetOption(u"charset"_s,
                                           u"Character set the greeting names (default UTF-8)."_s,
                                           u"name"_s, u"UTF-8"_s);
    const QCommandLineOption replyOption(
        u"reply"_s,
        u"Answer the command line LINE with REPLY instead (\\r, \\n and \\xNN stand for "
        "those bytes); at a line whose REPLY is empty the recorder hangs and answers nothing from "
        "then on. May be given more than once."_s,
        u"LINE=REPLY"_s);
    const QCommandLineOption splitOption(
        u"split-replies"_s, u"Write the greeting and each reply in three pieces, 50 ms apart."_s);
    const QCommandLineOption channelsOption(
        u"channels"_s,
        u"Have this many channels, \"Channel 1\" on, fifty to a group, instead of five "
        "real ones."_s,
        u"count"_s);
    const QCommandLineOption confOption(
        u"channels-conf"_s, u"Have the channels and groups of this VDR channels.conf."_s,
        u"file"_s);
    const QCommandLineOption programmeOption(
        u"short-programmes"_s,
        u"Every programme lasts this many seconds instead of 1800, one starting at every "
        "multiple of it."_s,
        u"seconds"_s);
    const QCommandLineOption slowOption(
        u"slow-bytes-per-second"_s,
        u"Write channel lists and programme guides at this many bytes a second; what is "
        "answered after them waits its turn."_s,
        u"bytes"_s);
    const QCommandLineOption withoutOption(
        u"without-programmes"_s,
        u"These channels (numbers, comma-separated) have no programmes, besides every tenth."_s,
        u"numbers"_s);
    const QCommandLineOption floodOption(
        u"flood"_s,
        u"Answer each client's first line only after this many MiB of \"250-\" lines of "
        "1 KB."_s,
        u"MiB"_s);
    const QCommandLineOption weekOption(
        u"week"_s,
        u"Every channel with programmes has a week of them, from a few hours before the start, "
        "5 to 180 minutes long, with a stretch without data each day."_s);
    const QCommandLineOption zoneOption(
        u"tz"_s,
        u"The recorder's time zone, an IANA name or a POSIX TZ rule, in which its greeting and "
        "its timers' days and times are (default: this process's own)."_s,
        u"zone"_s);
    const QCommandLineOption timerOption(
        u"timer"_s,
        u"Start with this timer, given as NEWT takes it (\"1:1:2026-12-11:2013:0155:50:99:"
        "Title:\"); may be given more than once."_s,
        u"settings"_s);
    const QCommandLineOption refuseOption(
        u"refuse-recording-delete"_s,
        u"Refuse DELT of a timer that is recording, as VDRs before 2.4 did."_s);
    const QCommandLineOption clockOption(
        u"clock"_s,
        u"The recorder's clock stands at this time, in seconds since 1970, for what is on now, "
        "the greeting, where the week begins and which timers are recording."_s,
        u"seconds"_s);
    parser.addOptions({hostOption, portOption, versionOption, idleOption, denyOption,
                       firstLineOption, delayOption, charsetOption, replyOption, splitOption});
    parser.addOptions({channelsOption, confOption, programmeOption, slowOption, withoutOption,
                       floodOption, weekOption, zoneOption, timerOption, refuseOption,
                       clockOption});
    parser.process(app);

    QTextStream err(stderr);
    const QHostAddress address(parser.value(hostOption));
    if (address.isNull()) {
        err << u"not an IP address: "_s << parser.value(hostOption) << Qt::endl;
        return 2;
    }
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        err << u"not a port number: "_s << parser.value(portOption) << Qt::endl;
        return 2;
    }

    SimBehaviour behaviour;
    behaviour.version = parser.value(versionOption).toUtf8();
    behaviour.idleTimeout = parser.value(idleOption).toInt();
    behaviour.deny = parser.isSet(denyOption);
    if (parser.isSet(firstLineOption))
        behaviour.firstLine = parser.value(firstLineOption).toUtf8();
    const QString delay = parser.value(delayOption);
    behaviour.replyDelayMs = delay == u"never"_s ? -1 : qRound(delay.toDouble() * 1000);
    behaviour.charset = parser.value(charsetOption).toUtf8();
    for (const QString &reply : parser.values(replyOption)) {
        const qsizetype at = reply.indexOf(u'=');
        if (at < 0) {
            err << u"not LINE=REPLY: "_s << reply << Qt::endl;
            return 2;
        }
        behaviour.replies.insert(unescaped(reply.first(at)), unescaped(reply.sliced(at + 1)));
    }
    behaviour.splitReplies = parser.isSet(splitOption);
    // A whole number from 1 to largest; the fallback when the option is not given.
    const auto number
        = [&](const QCommandLineOption &option, int largest, int fallback) -> std::optional<int> {
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        if (!parser.isSet(option))
            return fallback;
        if (ok && value > 0 && value <= largest)
            return value;
        err << u"not a number from 1 to %1: "_s.arg(largest) << parser.value(option) << Qt::endl;
        return std::nullopt;
    };
    const std::optional<int> slow = number(slowOption, 100'000'000, 0);
    const std::optional<int> seconds = number(programmeOption, 24 * 3600, 1800);
    const std::optional<int> count = number(channelsOption, 10000, 5);
    const std::optional<int> flood = number(floodOption, 4096, 0);
    if (!slow || !seconds || !count || !flood)
        return 2;
    behaviour.floodMiB = *flood;
    for (const QString &number : parser.value(withoutOption).split(u',', Qt::SkipEmptyParts))
        behaviour.withoutProgrammes.append(number.toInt());
    behaviour.slowBytesPerSecond = *slow;
    behaviour.programmeSeconds = *seconds;
    if (parser.isSet(channelsOption))
        behaviour.channels = generatedChannels(*count);
    if (parser.isSet(confOption)) {
        QFile file(parser.value(confOption));
        int badLine = 0;
        const std::optional<QList<SimChannel>> channels = file.open(QIODevice::ReadOnly)
            ? readChannelsConf(file.readAll(), badLine)
            : std::nullopt;
        if (!channels
            || std::none_of(channels->cbegin(), channels->cend(),
                            [](const SimChannel &c) { return !c.isGroup(); })) {
            err << u"no channels.conf with a channel: "_s << file.fileName()
                << (badLine ? u" line %1"_s.arg(badLine) : QString()) << Qt::endl;
            return 2;
        }
        behaviour.channels = *channels;
    }
    behaviour.week = parser.isSet(weekOption);
    behaviour.refuseRecordingDelete = parser.isSet(refuseOption);
    if (parser.isSet(zoneOption)) {
        behaviour.zone = QTimeZone(parser.value(zoneOption).toUtf8());
        if (!behaviour.zone.isValid()) {
            err << u"not a time zone: "_s << parser.value(zoneOption) << Qt::endl;
            return 2;
        }
    }
    if (parser.isSet(clockOption)) {
        bool ok = false;
        behaviour.clock = parser.value(clockOption).toLongLong(&ok);
        if (!ok || *behaviour.clock < 0) {
            err << u"not a time in seconds since 1970: "_s << parser.value(clockOption) << Qt::endl;
            return 2;
        }
    }
    // Checked here, so that a test's typing error shows at once.
    SimulatedRecorder check({}, {}, {}, behaviour.channels);
    check.setTimeZone(behaviour.zone);
    for (const QString &timer : parser.values(timerOption)) {
        if (!check.addTimer(timer.toUtf8())) {
            err << u"not a timer VDR would set: "_s << timer << Qt::endl;
            return 2;
        }
        behaviour.timers.append(timer.toUtf8());
    }
    SimServer server(behaviour);
    if (!server.listen(address, quint16(port))) {
        err << u"cannot listen on "_s << address.toString() << u" port "_s << port << u": "_s
            << server.errorString() << Qt::endl;
        return 1;
    }
    return app.exec();
}
