// SPDX-License-Identifier: GPL-2.0-or-later
// The connection as the window shows it: the fields that decide an attempt, its ends, recorders
// that misbehave or are none, the answers it shows, memory under a flood and keep-alive.
#include "window.h"

#ifdef __SANITIZE_ADDRESS__
// From the sanitizer runtime; g++ ships no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

// Resident memory. Under AddressSanitizer freed blocks stay resident in its quarantine, so
// the live heap is counted there instead.
static qint64 memoryInUse()
{
#ifdef __SANITIZE_ADDRESS__
    return qint64(__sanitizer_get_current_allocated_bytes());
#endif
    QFile status(u"/proc/self/status"_s);
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    return text.mid(text.indexOf("VmRSS:") + 6).simplified().split(' ')[0].toLongLong() << 10;
}

// A misbehaving recorder: the simulator's arguments (none: a host name that cannot resolve),
// whether Menu and OK are pressed once connected, the failure (none: still connected past the
// limits), part of its help, and the earliest it shows in ms after connect or after the press.
using Misbehaving = std::tuple<QStringList, bool, QString, QString, int>;

// The simulator's arguments, the text typed into the channel and message boxes, the buttons
// pressed in one go, the answers as they come (the last one stays) and part of the help.
using Answers = std::tuple<QStringList, QString, QStringList, QStringList, QString>;

class tst_connection : public WindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void fieldsDecideTheAttempt_data()
    {
        QTest::addColumn<QString>("host");
        // %1 stands for the recorder's (even) port, %0 for the one below it.
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("failure"); // empty: the attempt is made and connects
        const QString invalidPort = u"Not connected (invalid port)"_s, v4 = u"127.0.0.1"_s;
        QTest::newRow("half below rounds up to even") << v4 << u"%0.5"_s << QString();
        QTest::newRow("half above rounds down to even") << v4 << u"%1.5"_s << QString();
        QTest::newRow("blank and tab around") << u" 127.0.0.1\t"_s << u"%1"_s << QString();
        QTest::newRow("blanks only") << u" \t "_s << u"%1"_s << u"Not connected (no host)"_s;
        QTest::newRow("port without a number") << v4 << u"abc"_s << invalidPort;
        QTest::newRow("port rounding to 0") << v4 << u"0.5"_s << invalidPort;
        QTest::newRow("port that would wrap") << v4 << u"65536"_s << invalidPort;
    }
    void fieldsDecideTheAttempt()
    {
        fresh();
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QString, failure);
        const bool attempt = failure.isEmpty();
        port.replace(u"%0"_s, QString::number(rec->port() - 1))
            .replace(u"%1"_s, QString::number(rec->port()));
        connectTo(host, port);
        QCOMPARE(w->link().socketState() != RecorderSocket::State::Closed, attempt);
        QVERIFY(w->link().isPolling());
        QCOMPARE(status(), attempt ? u"Connecting to 127.0.0.1 port "_s + port : QString());
        QTRY_COMPARE_WITH_TIMEOUT(
            status(), attempt ? u"Connected to 127.0.0.1 port "_s + port : failure, waitMs);
        QCOMPARE(w->link().isPolling(), attempt);
        QCOMPARE(rec->sockets.size(), attempt ? 1 : 0);
        checkGroup(attempt);
    }

    // One window through refusal, the recorder's close, the user's own disconnect and a new
    // attempt while connected: each end shows at the next poll, with its own cause and none left
    // over from the one before.
    void connectionEnds()
    {
        const auto ended = [&](const QString &text) {
            QTRY_COMPARE_WITH_TIMEOUT(status(), text, 1000); // within a poll or two
            QVERIFY(!w->link().isPolling() && !w->link().isConnected());
            checkGroup(false);
            QCOMPARE(answer(), QString());
        };
        click(u"cmd_disconnect"_s); // before any connect: nothing at all
        QCOMPARE(status(), QString());
        rec->refuse();
        connectTo(u"127.0.0.1"_s, QString::number(rec->port()));
        ended(u"Not connected (refused)"_s);
        QVERIFY(rec->listen());
        connectWindow();
        checkGroup(true);
        QCOMPARE(answer(), u"VDR 2.6.0 on vdr"_s);
        rec->sockets[0]->disconnectFromHost();
        QCOMPARE(status(), connectedText());
        ended(u"Not connected (closed by recorder)"_s);
        connectWindow();
        click(u"cmd_menu"_s);
        QTRY_COMPARE(answer(), u"ok"_s);
        click(u"cmd_disconnect"_s);
        QCOMPARE(status(), u"Disconnected"_s);
        QCOMPARE(answer(), QString());
        checkGroup(false); // at once, not only at the next poll
        ended(u"Not connected"_s);
        QTRY_COMPARE(rec->sockets[1]->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(rec->received[1], "hitk menu\r\n"); // neither greeting nor goodbye
        connectWindow();
        QTRY_COMPARE(answer(), u"VDR 2.6.0 on vdr"_s);
        // A new attempt ends the old connection at once and shows itself, the keys disabled and
        // the old recorder's words gone.
        const QByteArray vdrGreeting = rec->greeting;
        rec->greeting
            = "220 mail.example SVDRP VideoDiskRecorder; Mon Dec  7 19:18:03 2026; UTF-8\r\n";
        connectTo(u"127.0.0.1"_s, QString::number(rec->port()));
        QCOMPARE(status(), u"Connecting to 127.0.0.1 port %1"_s.arg(rec->port()));
        QCOMPARE(answer(), QString());
        checkGroup(false);
        // The status names where the connection went, whatever the fields show since.
        find<QLineEdit>(u"txt_ip"_s)->setText(u"vdr.example"_s);
        find<QLineEdit>(u"txt_port"_s)->setText(u"6419"_s);
        QTRY_COMPARE(rec->sockets[2]->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(status(), connectedText());
        // A VDR's greeting that names no version names its host alone.
        QTRY_COMPARE(answer(), u"mail.example"_s);
        rec->greeting = vdrGreeting;
        // An empty host makes no new attempt and leaves the connection as it is.
        find<QLineEdit>(u"txt_ip"_s)->clear();
        click(u"cmd_connect"_s);
        QCOMPARE(wire(3), "VOLU\r\nCHAN\r\nLSTC :groups\r\nLSTT\r\n");
        QCOMPARE(status(), connectedText());
        QCOMPARE(rec->sockets.size(), 4);
    }

    // Recorders that turn the handset away, are no recorder, close idle clients, stop answering
    // or answer late. Only a greeting enables the handset, and a key pressed before it is
    // dropped; a failure shows its cause, with help in the tooltip, never before its limit and
    // within a poll or two after it.
    void misbehavingRecorder_data()
    {
        QTest::addColumn<Misbehaving>("misbehaving");
        const auto row = [](const char *name, const QStringList &simulator, bool press,
                            const char *failure, const char *hint, int earliest) {
            QTest::newRow(name) << Misbehaving {simulator, press, QString::fromUtf8(failure),
                                                QString::fromUtf8(hint), earliest};
        };
        const QString delay = u"--reply-delay"_s;
        row("access denied", {u"--deny"_s}, false, "access denied", "svdrphosts.conf", 0);
        row("host not found", {}, false, "host not found", "spelling", 0);
        row("no greeting: an older VDR serving another client", {u"--first-line"_s, QString()},
            false, "recorder busy", "one client at a time", limitMs);
        row("not a VDR", {u"--first-line"_s, u"SSH-2.0-OpenSSH_9.2p1"_s}, false, "not a VDR",
            "6419", 0);
        row("a mail server", {u"--first-line"_s, u"220 mail.example ESMTP Postfix"_s}, false,
            "not a VDR", "6419", 0);
        row("VDR 2.2, not kept alive, closes idle clients",
            {u"--greeting-version"_s, u"2.2.0"_s, u"--idle-timeout"_s, u"2"_s}, false,
            "closed by recorder", "SVDRPTimeout", 2000);
        // Each line has its own clock: the answer to Menu does not stop the one of OK.
        row("hung after a press", {delay, u"0.5"_s, u"--reply"_s, u"hitk ok="_s}, true, "no reply",
            "10 seconds", limitMs);
        // The program asks for the volume right after the greeting.
        row("hung before any press", {delay, u"never"_s}, false, "no reply", "10 seconds", limitMs);
        // VDR 2.4 and later close an idle connection; PINGs keep it open once presses stop.
        row("answering late, within the limit, kept alive",
            {delay, u"0.5"_s, u"--idle-timeout"_s, u"2"_s}, true, "", "", 0);
    }
    void misbehavingRecorder()
    {
        QFETCH(Misbehaving, misbehaving);
        const auto &[simulator, press, failure, hint, earliest] = misbehaving;
        const QString port = simulator.isEmpty() ? u"6419"_s : startSim(simulator);
        const bool refuses
            = simulator.contains(u"--deny"_s) || simulator.contains(u"--first-line"_s);
        open("[server]\nkeepalive=1\n");
        QSignalSpy up(&w->link(), &RecorderLink::connectionUp);
        QSignalSpy down(&w->link(), &RecorderLink::connectionDown);
        // The clocks of a greeted recorder run from the first lines the window sends it.
        QElapsedTimer clock;
        clock.start();
        const QObject whileClockLives;
        connect(&w->link(), &RecorderLink::greeted, &whileClockLives,
                [&clock] { clock.restart(); });
        connectTo(simulator.isEmpty() ? u"no such host"_s : u"127.0.0.1"_s, port);
        // Past the handshake, without a greeting, a key is dropped.
        if (refuses && QTest::qWaitFor([&] { return simLog.contains("connected from"); }))
            QTest::keyClick(find(u"txt_ip"_s), Qt::Key_F1);
        if (press) {
            QTRY_VERIFY_WITH_TIMEOUT(status().startsWith(u"Connected to"_s), waitMs);
            clock.restart();
            click(u"cmd_menu"_s);
            // Spaced closer than the keep-alive's interval, presses leave no room for a PING.
            pressSpaced(QList<QPushButton *>(5, find<QPushButton>(u"cmd_ok"_s)),
                        failure.isEmpty() ? 300 : 0);
        }
        if (failure.isEmpty()) {
            // The third keep-alive PING comes a second after the second's late answer, well past
            // the limit of the presses' replies; the PINGs' answers never show. The schedule's
            // first screen, read a late answer at a time, keeps the link busy before them.
            QTRY_VERIFY_WITH_TIMEOUT(simLog.count("PING\\r\\n") >= 3, 3 * waitMs);
            QVERIFY(down.isEmpty() && !simLog.contains("idle timeout"));
            QVERIFY(status().startsWith(u"Connected to"_s));
            QCOMPARE(simLog.count("hitk ok"), 5);
            QCOMPARE_GT(simLog.indexOf("PING"), simLog.lastIndexOf("hitk ok"));
            QCOMPARE(answer(), u"Key \"ok\" accepted"_s);
            return;
        }
        const QString text = u"Not connected (%1)"_s.arg(failure);
        QTRY_COMPARE_WITH_TIMEOUT(status(), text, earliest + waitMs);
        QCOMPARE_GE(clock.elapsed(), earliest);
        // A poll or two, and room for a busy machine; a limit twice as long shows.
        QCOMPARE_LE(clock.elapsed(), earliest + 1500);
        QCOMPARE(up.isEmpty(), refuses || simulator.isEmpty());
        checkGroup(false);
        // Nothing at all went to a recorder that never greeted as one.
        QVERIFY2(!refuses || !simLog.contains("\\r\\n"), simLog);
        const auto *label = find<QLabel>(u"lbl_info"_s);
        QVERIFY2(label->accessibleDescription().contains(hint), qPrintable(label->toolTip()));
        QCOMPARE(label->toolTip(), text + u'\n' + label->accessibleDescription());
    }

    void longHostKeepsThePortInView()
    {
        // ::1 written out in full, in brackets with a blank before.
        const QString host = u"0000:0000:0000:0000:0000:0000:0000:0001"_s;
        const QString port = startSim({u"--host"_s, u"::1"_s});
        connectTo(u" ["_s + host + u']', port);
        const QString text = u"Connected to %1 port %2"_s.arg(host, port);
        QTRY_COMPARE(status(), text);
        auto *label = find<QLabel>(u"lbl_info"_s);
        QCOMPARE(label->toolTip(), text);
        QCOMPARE(label->accessibleName(), text);
        // The drawing stops short of the edge, and its end (the port) is near it.
        const QImage image = label->grab().toImage();
        const auto inkIn = [&](int from, int to) {
            for (int x = from; x < to; ++x)
                for (int y = 0; y < image.height(); ++y)
                    if (qGray(image.pixel(x, y)) < 128)
                        return true;
            return false;
        };
        QVERIFY(!inkIn(image.width() - 2, image.width()));
        QVERIFY(inkIn(image.width() - 20, image.width() - 2));
    }

    void memoryStaysBounded_data()
    {
        QTest::addColumn<QString>("recorder");
        QTest::newRow("50 MiB of reply lines of 1 KB") << u"lines"_s;
        QTest::newRow("32 MiB without a line end") << u"no line end"_s;
        QTest::newRow("recorder stops reading") << u"stops reading"_s;
    }
    void memoryStaysBounded()
    {
        QFETCH(QString, recorder);
        const bool lines = recorder == u"lines"_s;
        // The simulator floods its answer to the first line, the window's VOLU.
        const QString port = lines ? startSim({u"--flood"_s, u"50"_s}) : QString();
        fresh();
        const qint64 before = memoryInUse();
        connectWindow(port);
        if (lines) {
            QTRY_VERIFY_WITH_TIMEOUT(simLog.contains("flood written"), 6 * waitMs);
            QTRY_COMPARE_WITH_TIMEOUT(w->link().volume(), 128, waitMs);
        } else if (recorder == u"no line end"_s) {
            rec->sockets[0]->write(QByteArray(32 << 20, 'x'));
            QTRY_COMPARE_WITH_TIMEOUT(rec->sockets[0]->bytesToWrite(), 0, waitMs);
        } else {
            rec->stopReading(0);
            find<QLineEdit>(u"txt_msg"_s)->setText(QString(8192, u'x'));
            for (int i = 0; i < 2000; ++i)
                click(u"cmd_sendmsg"_s);
        }
        QVERIFY2(memoryInUse() - before < 8 << 20, "memory grew by more than 8 MiB");
        QVERIFY(status().startsWith(u"Connected to"_s));
        // A key still goes out and is answered.
        if (lines) {
            click(u"cmd_menu"_s);
            QTRY_COMPARE_WITH_TIMEOUT(answer(), u"Key \"menu\" accepted"_s, waitMs);
        } else if (recorder == u"no line end"_s) {
            QCOMPARE(wire(), QByteArray());
        }
    }

    // The answer line shows the recorder's greeting, then its reply to the last press: replies
    // pair with the lines in the order they went out, in the recorder's character set, cut to a
    // line's first 1000 bytes and without control characters, with help for a refusal.
    void answers_data()
    {
        QTest::addColumn<Answers>("expected");
        const auto row
            = [](const char *tag, const QStringList &simulator, const char *entry,
                 const char *presses, const QString &answers, const char *hint) {
                  QTest::newRow(tag)
                      << Answers {simulator, QString::fromUtf8(entry),
                                  QString::fromUtf8(presses).split(u' ', Qt::SkipEmptyParts),
                                  answers.split(u'|'), QString::fromUtf8(hint)};
              };
        const QString reply = u"--reply"_s;
        // In pieces, the greeting too.
        row("greeting", {u"--split-replies"_s}, "", "",
            u"VDR 2.6.0 on "_s + QHostInfo::localHostName(), "");
        row("several lines at once", {}, "3", "cmd_menu cmd_goch cmd_sendmsg",
            u"Key \"menu\" accepted|3 3sat HD|Message queued"_s, "");
        row("several lines of a reply, in pieces",
            {u"--split-replies"_s, reply, u"hitk blue=250-first\\r\\n250 last"_s}, "",
            "cmd_blue cmd_menu", u"last|Key \"menu\" accepted"_s, "");
        row("channel switch failed", {reply, u"chan 3=554 Error switching to channel \"3\""_s}, "3",
            "cmd_goch", u"Error switching to channel \"3\""_s, "busy");
        row("no such channel", {}, "999", "cmd_goch", u"Undefined channel \"999\""_s,
            "no channel with this number");
        row("remote control off", {reply, u"hitk ok=550 Remote control currently disabled"_s}, "",
            "cmd_ok", u"Remote control currently disabled"_s, "REMO on");
        row("unknown key", {reply, u"hitk red=504 Unknown key: \"red\""_s}, "", "cmd_red",
            u"Unknown key: \"red\""_s, "know");
        // Answered only if the line arrives in Latin-9.
        row("Latin-9 both ways",
            {u"--charset"_s, u"ISO-8859-15"_s, reply,
             u"mesg Gr\\xfc\\xdfe \\xa4=250 7 Das Erste \\xc4"_s},
            "Grüße €", "cmd_sendmsg", u"7 Das Erste Ä"_s, "");
        row("control characters, overlong",
            {reply, u"hitk green=250 a\\x01b\\x7fc"_s + QString(1200, u'x')}, "", "cmd_green",
            u"a b c"_s + QString(991, u'x'), "");
    }
    void answers()
    {
        QFETCH(Answers, expected);
        const auto &[simulator, entry, presses, answers, hint] = expected;
        open();
        QSignalSpy answered(&w->link(), &RecorderLink::answered);
        connectWindow(startSim(simulator));
        find<QLineEdit>(u"txt_chan"_s)->setText(entry);
        find<QLineEdit>(u"txt_msg"_s)->setText(entry);
        for (const QString &button : presses)
            find<QPushButton>(button)->click();
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), presses.size(), waitMs);
        for (qsizetype i = 0; i < answered.size(); ++i)
            QCOMPARE(answered[i][2].toString(), answers[i]);
        QCOMPARE(answer(), answers.last());
        const auto *label = find<QLabel>(u"lbl_answer"_s);
        const QString help = label->accessibleDescription();
        QCOMPARE(label->accessibleName(), answers.last());
        QVERIFY2(help.contains(hint) && help.isEmpty() == hint.isEmpty(), qPrintable(help));
        QCOMPARE(label->toolTip(), help.isEmpty() ? answer() : answer() + u'\n' + help);
    }
};

QTEST_MAIN(tst_connection)
#include "tst_connection.moc"
