// SPDX-License-Identifier: GPL-2.0-or-later
// The channel list and the programme guide as the recorder's replies give them; real lines
// are as Debian's VDR 2.6 printed them.
#include "channel_filter.h"
#include "channel_line.h"
#include "channel_model.h"
#include "fake_link.h"
#include "programme.h"
#include "recorder_guide.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTest>

using namespace Qt::StringLiterals;

// A real programme block: "LSTE 1 now" and "LSTE 1 next" of a VDR fed by PUTE.
static const QStringList realBlock
    = u"C S19.2E-1-1089-12003 RTL Television\nE 101 1796711400 1800 4E FF\nT Tagesschau\n"
      "S Nachrichten\nD Beschreibung|zweite Zeile\nG 20\nR 12\nX 2 03 deu stereo\n"
      "V 1796711400\ne\nE 102 1796713200 1800 4E FF\nT Film: Teil | zwei\ne\nc"_s.split(u'\n');
static const QString rtl = u"S19.2E-1-1089-12003"_s;
constexpr qint64 halfPast = 1796711400; // 2026-12-08 06:30 UTC

// Programme lines, a time in seconds after half past six, the programmes read, and the ids of
// the programmes now and next then.
using ScheduleRow = std::tuple<QStringList, int, QString, QString>;
// The simulator's arguments, the commands sent to it, its replies and the least time they take;
// replies that begin with "220 " include the greeting, "%h" for the host's name.
using Exchange = std::tuple<QStringList, QByteArray, QByteArray, int>;

class tst_guide : public QObject
{
    Q_OBJECT

    // The guide under test and its time of day, which the test moves on at will.
    FakeLink link;
    std::unique_ptr<RecorderGuide> guide;
    const QDateTime base = QDateTime(QDate(2030, 1, 1), QTime(12, 0), Qt::UTC);
    qint64 skippedSeconds = 0;
    QElapsedTimer running;
    void startGuide()
    {
        link.end();
        guide = std::make_unique<RecorderGuide>(link);
        skippedSeconds = 0;
        running.start();
        guide->setTimeOfDay(
            [this] { return base.addSecs(skippedSeconds).addMSecs(running.elapsed()); });
        link.connectUp();
    }

private Q_SLOTS:
    // "kind number name/short/provider id": G for a group, C for a channel, - for neither.
    void channelLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");
        const auto row = [](const char *tag, const QString &text, const char16_t *read) {
            QTest::newRow(tag) << text << QString::fromUtf16(read);
        };
        row("real",
            u"5 Das Erste HD;ARD:11493:HC23M5O35P0S1:S19.2E:"
            "22000:5101=27:5102=deu@3,5103=mis@3;5106=deu@106:5104;5105=deu:0:10301:1:1019:0"_s,
            u"C 5 Das Erste HD//ARD");
        row("real group", u"0 :ARD und ZDF"_s, u"G 0 ARD und ZDF//");
        row("real numbering group", u"0 :@1000 Neue Kanaele"_s, u"G 1000 Neue Kanaele//");
        row("real group that only numbers", u"0 :@100 "_s, u"G 100 //");
        row("comma in the long name", u"7 Film, Serie,FS:1"_s, u"C 7 Film, Serie/FS/");
        row("bar for colon, no field after", u"8 Comedy|Plus;A|B"_s, u"C 8 Comedy:Plus//A:B");
        row("controls become blanks", u"3 \001A\tB\u2028C,\177;\237P:1"_s, u"C 3 A B C//P");
        row("name alone before the colon", u"4  :1"_s, u"- 0 //");
        row("negative", u"-1 ARD"_s, u"- 0 //");
        row("beyond the largest", u"100000 ARD"_s, u"- 0 //");
        row("zero that is no group", u"0 ARD"_s, u"- 0 //");
        row("short name alone", u"4 ,RTL;CBC:1"_s, u"- 0 //");
        row("group number not a number", u"0 :@1x ARD"_s, u"- 0 //");
        row("longer than a reply line", u"1 "_s + QString(999, u'x'), u"- 0 //");
    }
    void channelLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        const ChannelLine line = ChannelLine::parse(text);
        QCOMPARE(u"%1 %2 %3/%4/%5"_s.arg(QLatin1Char("-GC"[int(line.kind)]))
                     .arg(line.number)
                     .arg(line.name, line.shortName, line.provider),
                 read);
    }

    // The rows shown for an LSTC reply ("/" between its lines) and a filter text: "*" marks a
    // row that can be chosen, "=" the title now beside it. Channel 3's title is "Tagesschau".
    void list_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("rows");
        const QStringList real = u"0 :Channels 1 to 2/1 Channel 1;Sim Media:1/2 Channel 2,Ch2:1/"
                                 "0 :Channels 3 to 3/3 Channel|Plus:1"_s.split(u'/');
        QTest::newRow("in groups") << real << QString()
                                   << u"Channels 1 to 2; 1 Channel 1*; 2 Channel 2*; Channels 3 "
                                      "to 3; 3 Channel:Plus*=Tagesschau"_s;
        QTest::newRow("provider, any case")
            << real << u"sIM MEDIA"_s << u"Channels 1 to 2; 1 Channel 1*"_s;
        QTest::newRow("short name") << real << u"CH2"_s << u"Channels 1 to 2; 2 Channel 2*"_s;
        QTest::newRow("number and title now, empty groups hidden")
            << real << u"3"_s << u"Channels 3 to 3; 3 Channel:Plus*=Tagesschau"_s;
        QTest::newRow("title now")
            << real << u"schau"_s << u"Channels 3 to 3; 3 Channel:Plus*=Tagesschau"_s;
        QTest::newRow("hostile")
            << u"5 Lone:1|0 :|0 :@1x Bad|junk|0 :G\u0007|1 A\u0001B:1|1 Dup:1|-3 Neg:1|0 :E"_s
                   .split(u'|')
            << QString() << u"5 Lone*; G; 1 A B*"_s;
        QStringList many;
        for (int number = 1; number <= ChannelModel::maxChannels + 2; ++number)
            many << u"%1 C%1:1"_s.arg(number);
        QTest::newRow("cut") << many << u"9999"_s
                             << u"9999 C9999*; 2 more channels are not listed"_s;
    }
    void list()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, filter);
        QFETCH(QString, rows);
        ChannelModel model;
        model.setChannels(lines);
        Programme now;
        now.title = u"Tagesschau"_s;
        model.setNow(3, now);
        ChannelFilter shown(&model);
        shown.setText(filter);
        QStringList texts;
        const std::function<void(const QModelIndex &)> add = [&](const QModelIndex &parent) {
            for (int row = 0; row < shown.rowCount(parent); ++row) {
                const QModelIndex index = shown.index(row, 0, parent);
                const QString title = index.siblingAtColumn(1).data().toString();
                texts << index.data().toString()
                        + (index.flags() & Qt::ItemIsSelectable ? u"*"_s : QString())
                        + (title.isEmpty() ? QString() : u'=' + title);
                add(index);
            }
        };
        add({});
        QCOMPARE(texts.join(u"; "_s), rows);
    }

    // Every programme as "id start duration title/short channel", and the now and next ids
    // (0: none) of the RTL channel that many seconds after half past six. In the rows, "$" is
    // RTL's id and "%T" a minute past half past six.
    void schedule_data()
    {
        QTest::addColumn<ScheduleRow>("schedule");
        const auto block = [](QString text) {
            return text.replace(u"%T"_s, QString::number(halfPast + 60)).split(u'\n');
        };
        const QString real = u"101 06:30:00Z 1800 Tagesschau/Nachrichten $; "
                             "102 07:00:00Z 1800 Film: Teil | zwei/ $"_s;
        QTest::newRow("real, at the start") << ScheduleRow {realBlock, 0, real, u"101 102"_s};
        QTest::newRow("real, at the end") << ScheduleRow {realBlock, 3600, real, u"0 0"_s};
        QTest::newRow("left open, no T, empty and overlapping") << ScheduleRow {
            block(u"C $\nE 1 %T 600\nS x\nE 2 %T 0\nE 3 1796711490 60\nT a\001b\nc"_s), 90,
            u"1 06:31:00Z 600 /x $; 2 06:31:00Z 0 / $; 3 06:31:30Z 60 a b/ $"_s, u"3 0"_s};
        QTest::newRow("again replaces, other channels") << ScheduleRow {
            block(u"C $\nE 5 %T 60\nT old\ne\nE 5 %T 9\nT new\nC other x\nE 5 %T 60\nc\n"
                  "E 6 %T 60"_s),
            0, u"5 06:31:00Z 9 new/ $; 5 06:31:00Z 60 / other; 6 06:31:00Z 60 / "_s, u"0 5"_s};
        QTest::newRow("hostile numbers") << ScheduleRow {
            block(u"C $\nE 1 -5 60\nT a\nE 2 %T -60\nE 3 99999999999 60\nE 4 %T 999999999\n"
                  "E 4294967296 %T 60\nE 5 %T\nE x 1 1\nT b"_s),
            0, QString(), u"0 0"_s};
    }
    void schedule()
    {
        QFETCH(ScheduleRow, schedule);
        auto [lines, at, read, nowNext] = schedule;
        const Schedule parsed = Schedule::parse(lines.replaceInStrings(u"$"_s, rtl));
        QStringList shown;
        for (const Programme &p : parsed.programmes)
            shown += u"%1 %2 %3 %4/%5 %6"_s.arg(p.eventId)
                         .arg(p.start.toString(Qt::ISODate).sliced(11))
                         .arg(p.duration)
                         .arg(p.title, p.shortText, p.channelId);
        QCOMPARE(shown.join(u"; "_s), QString(read).replace(u"$"_s, rtl));
        const auto found = parsed.at(rtl, QDateTime::fromSecsSinceEpoch(halfPast + at, Qt::UTC));
        QCOMPARE(u"%1 %2"_s.arg(found.now ? found.now->eventId : 0)
                     .arg(found.next ? found.next->eventId : 0),
                 nowNext);
    }

    // The simulator's answers, worded as the VDR it plays words them; "%1" is a channels.conf.
    void simulator_data()
    {
        QTest::addColumn<Exchange>("exchange");
        QTest::newRow("volume rounded, muted, clamped; five channels; a digit zaps") << Exchange {
            QStringList {},
            "VOLU\nVOLU 13\nVOLU mute\nVOLU 0\nVOLU +\nVOLU 300\nVOLU -5\n"
            "LSTC 3\nLSTC 9\nCHAN -\nhitk 2\nCHAN\nLSTT\n"_ba,
            "250 Audio volume is 128\r\n250 Audio volume is 15\r\n250 Audio is mute\r\n"
            "250 Audio is mute\r\n250 Audio volume is 5\r\n250 Audio volume is 255\r\n"
            "501 Unknown option: \"-5\"\r\n250 3 3sat HD;ZDFvision:11347:"
            "VC23M5O35P0S1:S19.2E:22000:6510=27:6520=deu@3,6521=mis@3,6523=mul@3;6522=deu@106:"
            "6530;6531=deu:0:11150:1:1010:0\r\n501 Channel \"9\" not defined\r\n"
            "250 5 phoenix HD\r\n250 Key \"2\" accepted\r\n250 2 ZDF HD\r\n"
            "550 No timers defined\r\n"_ba,
            0};
        QTest::newRow("generated, slow, in a group, round the end") << Exchange {
            QStringList {u"--channels"_s, u"2"_s, u"--slow-bytes-per-second"_s, u"200"_s},
            "LSTC :groups\nCHAN +\nCHAN +\n"_ba,
            "250-0 :Channels 1 to 2\r\n250-1 Channel 1:10701:HC34M2S0:S19.2E:27500:1001=2:"
            "3001=deu@3:0:0:1:1:1000:0\r\n250 2 Channel 2;Sim Media:10702:HC34M2S0:S19.2E:"
            "27500:1002=2:3002=deu@3:0:0:2:1:1000:0\r\n250 2 Channel 2\r\n250 1 Channel 1\r\n"_ba,
            900};
        QTest::newRow("from channels.conf: groups, numbers, programmes with bare LF") << Exchange {
            QStringList {u"--channels-conf"_s, u"%1"_s},
            "LSTC :groups\nLSTE 100 now\nLSTE 102\nLSTE 101 at 1796711500\nLSTE 101 xx\n"_ba,
            "250-0 :@100 Sky\r\n250-100 A|B,AB;P:1:H:S19.2E:1:2:3:0:0:7:1:8:0\r\n250 101 C:1:H:"
            "S19.2E:1:2:3:0:0:9:1:8:0\r\n550 No schedule found\r\n550 Channel \"102\" not "
            "defined\r\n215-C S19.2E-1-8-9 C\n215-E 998173 1796711400 1800 4E FF\n"
            "215-T Documentary on C\n215-S From 06:30:00 UTC\n215-e\n215-c\n215 End of EPG "
            "data\r\n"
            "501 Unknown option: \"xx\"\r\n"_ba,
            0};
        QTest::newRow("timers: ids never given twice, channel ids, days rolled over, refusals")
            << Exchange {
                   QStringList {u"--timer"_s,
                                u"1:1:2090-12-11:2013:0155:50:99:Zappomatic Krimi|x:"_s,
                                u"--timer"_s, u"1:3:MTWTFSS:0000:0000:50:99:Daily:"_s},
                   "NEWT 1:S19.2E-1-1011-11110:2090-13-11:2013:0155:50:99:A:\n"
                   "NEWT 1:99:2090-12-11:2013:0155:50:99:C:\nNEWT "
                   "1:0:2090-12-11:2013:0155:50:99:C:\n"
                   "NEWT 1:1:2090-12-11:2013:0155:50:99\n"
                   "DELT 3\nDELT 3\nMODT 1 off\nMODT 7 on\n"
                   "NEWT 1:1:2090-12-11:2013:0155:50:99:Zappomatic Krimi|x:\n"
                   "LSTT\nLSTT id 2\nDELT 2\nLSTT 2\n"_ba,
                   "250 3 1:S19.2E-1-1011-11110:2091-01-11:2013:0155:50:99:A:\r\n"
                   "501 Error in timer settings\r\n501 Error in timer settings\r\n"
                   "501 Error in timer settings\r\n250 Timer \"3\" deleted\r\n501 Timer \"3\" not "
                   "defined\r\n"
                   "250 1 0:S19.2E-1-1019-10301:2090-12-11:2013:0155:50:99:Zappomatic Krimi|x:\r\n"
                   "501 Timer \"7\" not defined\r\n"
                   "250 4 1:S19.2E-1-1019-10301:2090-12-11:2013:0155:50:99:Zappomatic Krimi|x:\r\n"
                   "250-1 0:1:2090-12-11:2013:0155:50:99:Zappomatic Krimi|x:\r\n"
                   "250-2 9:3:MTWTFSS:0000:0000:50:99:Daily:\r\n"
                   "250 4 1:1:2090-12-11:2013:0155:50:99:Zappomatic Krimi|x:\r\n"
                   "250 2 9:S19.2E-1-1010-11150:MTWTFSS:0000:0000:50:99:Daily:\r\n"
                   "250 Timer \"2\" deleted\r\n501 Timer \"2\" not defined\r\n"_ba,
                   0};
        // The clock stands at 08:00 UTC, 13:45 in Kathmandu.
        QTest::newRow("recording in the recorder's zone; a week walked at ends and into a gap")
            << Exchange {
                   QStringList {u"--week"_s, u"--clock"_s, u"1796889600"_s, u"--tz"_s,
                                u"Asia/Kathmandu"_s, u"--refuse-recording-delete"_s, u"--timer"_s,
                                u"1:1:2026-12-10:1345:0100:50:99:Overnight:"_s, u"--timer"_s,
                                u"1:2:2026-12-10:1346:1500:50:99:Soon:"_s, u"--timer"_s,
                                u"1:3:MTWTFSS@2026-12-11:0000:0000:50:99:Daily:"_s},
                   "LSTT\nDELT 1\nDELT 2\nLSTE 1 at 1796892900\nLSTE 1 at 1796900700\n"
                   "LSTE 1 at 1796900701\n"_ba,
                   "220 %h SVDRP VideoDiskRecorder 2.6.0; Thu Dec 10 13:45:00 2026; UTF-8\r\n"
                   "250-1 9:1:2026-12-10:1345:0100:50:99:Overnight:\r\n"
                   "250-2 1:2:2026-12-10:1346:1500:50:99:Soon:\r\n"
                   "250 3 1:3:MTWTFSS@2026-12-11:0000:0000:50:99:Daily:\r\n"
                   "550 Timer \"1\" is recording\r\n250 Timer \"2\" deleted\r\n"
                   "215-C S19.2E-1-1019-10301 Das Erste HD\n215-E 6 1796892900 600 4E FF\n"
                   "215-T Der Bergdoktor\n215-D Der Bergdoktor, Folge 6 auf Das Erste HD.|Ein "
                   "Kommissar ermittelt in einer Kleinstadt, in der jeder etwas zu verbergen "
                   "hat.\n215-e\n215-c\n215 End of EPG data\r\n"
                   "215-C S19.2E-1-1019-10301 Das Erste HD\n215-E 7 1796893500 7200 4E FF\n"
                   "215-T Wetter vor acht\n215-S Folge 7\n215-D Wetter vor acht, Folge 7 auf Das "
                   "Erste HD.|Moderation: Anna Beispiel.|Ein Kommissar ermittelt in einer "
                   "Kleinstadt, in der jeder etwas zu verbergen hat.|Live aus dem Stadion: alle "
                   "Spiele des Tages, die Tore, die Stimmen nach dem Abpfiff und die Tabelle.\n"
                   "215-X 2 03 deu stereo\n215-e\n215-c\n215 End of EPG data\r\n"
                   "215-C S19.2E-1-1019-10301 Das Erste HD\n215-c\n215 End of EPG data\r\n"_ba,
                   0};
    }
    // A row's title is asked again when its programme ends, when it came already ended (after
    // half a minute) or came without one (after ten minutes); never before.
    void rowAskedAgain_data()
    {
        QTest::addColumn<int>("endsInMs"); // the programme's end from now; 0: no programme
        QTest::addColumn<int>("retrySeconds"); // 0: at its end
        QTest::newRow("at the programme's end") << 2000 << 0;
        QTest::newRow("ended already: half a minute") << -60000 << 30;
        QTest::newRow("no programme: ten minutes") << 0 << 600;
    }
    void rowAskedAgain()
    {
        QFETCH(int, endsInMs);
        QFETCH(int, retrySeconds);
        startGuide();
        guide->showRows({7});
        QCOMPARE(link.asked.filter(u"LSTE 7"_s), QStringList {u"LSTE 7 now"_s});
        // In whole seconds, as the recorder gives them.
        const QDateTime end = base.addSecs((running.elapsed() + endsInMs) / 1000);
        QVERIFY(link.answer(u"LSTE 7 now"_s,
                            endsInMs ? programmeReply(7, end.addSecs(-600), 600)
                                     : Reply {550, {u"No schedule found"_s}}));
        if (!retrySeconds) {
            QTRY_COMPARE_WITH_TIMEOUT(link.asked.filter(u"LSTE 7"_s).size(), 1, 5000);
            return;
        }
        skippedSeconds = retrySeconds - 2;
        guide->showRows({7});
        QCOMPARE(link.asked.filter(u"LSTE 7"_s), QStringList {});
        skippedSeconds = retrySeconds + 1;
        guide->showRows({7});
        QCOMPARE(link.asked.filter(u"LSTE 7"_s), QStringList {u"LSTE 7 now"_s});
    }

    // The rows' questions outstanding at once stay within about 32 KB of replies, measured by the
    // largest reply so far, and each connection measures afresh.
    void rowsWithinTheByteWindow()
    {
        startGuide();
        QList<int> rows;
        for (int number = 1; number <= 100; ++number)
            rows << number;
        guide->showRows(rows);
        QCOMPARE(link.asked.filter(u"LSTE"_s).size(), 32);
        QVERIFY(link.answer(u"LSTE 1 now"_s,
                            programmeReply(1, base.addSecs(-60), 3600, u"Long"_s, 8000)));
        QCOMPARE(link.asked.filter(u"LSTE"_s).size(), 31);
        // Three of 1 KB still out, and three more taken at 8 KB each.
        for (int number = 2; number <= 29; ++number)
            QVERIFY(link.answer(u"LSTE %1 now"_s.arg(number), programmeReply(number, base, 3600)));
        QCOMPARE(link.asked.filter(u"LSTE"_s).size(), 6);
        QVERIFY(link.answer(u"LSTE 30 now"_s, programmeReply(30, base, 3600)));
        QCOMPARE(link.asked.filter(u"LSTE"_s).size(), 5);
        link.end();
        link.connectUp();
        guide->showRows(rows);
        QCOMPARE(link.asked.filter(u"LSTE"_s).size(), 32);
    }

    // What is on the current channel: a late reply for a channel switched away from is dropped,
    // and a programme that begins after a gap in the recorder's data moves from next to now.
    void currentProgrammes()
    {
        startGuide();
        QVERIFY(link.answer(u"CHAN"_s, {250, {u"1 One"_s}}));
        QCOMPARE(link.asked.filter(u"LSTE"_s), QStringList({u"LSTE 1 now"_s, u"LSTE 1 next"_s}));
        Q_EMIT link.answered(true, 250, u"2 Two"_s);
        QCOMPARE(guide->current().number, 2);
        QVERIFY(link.answer(u"LSTE 1 now"_s, programmeReply(1, base, 600, u"Old"_s)));
        QVERIFY(!guide->current().now);
        const QDateTime soon = base.addSecs(running.elapsed() / 1000 + 2);
        QVERIFY(link.answer(u"LSTE 2 now"_s, {215, {u"C S19.2E-1-1-2 Two"_s, u"c"_s, u"End"_s}}));
        QVERIFY(link.answer(u"LSTE 2 next"_s, programmeReply(2, soon, 600, u"After"_s)));
        QVERIFY(!guide->current().now && guide->current().next->title == u"After"_s);
        QTRY_VERIFY_WITH_TIMEOUT(link.asked.contains(u"LSTE 2 now"_s), 5000);
        QVERIFY(link.answer(u"LSTE 2 now"_s, programmeReply(2, soon, 600, u"After"_s)));
        QCOMPARE(guide->current().now->title, u"After"_s);
    }

    void simulator()
    {
        QFETCH(Exchange, exchange);
        auto [arguments, commands, replies, slowestMs] = exchange;
        QTemporaryFile conf;
        QVERIFY(conf.open()
                && conf.write(":@100 Sky\nA|B,AB;P:1:H:S19.2E:1:2:3:0:0:7:1:8:0\n"
                              "C:1:H:S19.2E:1:2:3:0:0:9:1:8:0\n")
                && conf.flush());
        QProcess sim;
        sim.start(u"" SIM_PATH ""_s,
                  QStringList {u"--port"_s, u"0"_s}
                      + arguments.replaceInStrings(u"%1"_s, conf.fileName()));
        QVERIFY(sim.waitForReadyRead(5000));
        const QByteArray listening = sim.readLine().trimmed();
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s,
                             listening.sliced(listening.lastIndexOf(' ')).toUShort());
        QTRY_VERIFY_WITH_TIMEOUT(socket.canReadLine(), 5000);
        const QByteArray greeting = socket.readLine();
        QElapsedTimer clock;
        clock.start();
        socket.write(commands);
        QByteArray read = replies.startsWith("220 ") ? greeting : QByteArray();
        replies.replace("%h", QHostInfo::localHostName().toUtf8());
        QTRY_COMPARE_WITH_TIMEOUT(read += socket.readAll(), replies, 10000);
        QCOMPARE_GE(clock.elapsed(), slowestMs);
        sim.kill();
        QVERIFY(sim.waitForFinished(5000));
    }
};

QTEST_MAIN(tst_guide)
#include "tst_guide.moc"
