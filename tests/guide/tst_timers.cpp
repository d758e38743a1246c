// SPDX-License-Identifier: GPL-2.0-or-later
// A channel's schedule walked a programme at a time, and the recorder's timers: their lines,
// the settings that record a programme on the recorder's own clock, and what goes to the
// recorder for each change. Timer lines are as Debian's VDR 2.6 wrote them.
#include "fake_link.h"
#include "recorder_clock.h"
#include "recorder_guide.h"
#include "timer.h"

#include <QRegularExpression>
#include <QTest>

#include <ctime>

// The desktop's zone for every row: Central Europe, written so that no zone data is needed.
static const char desktopZone[] = "CET-1CEST,M3.5.0,M10.5.0/3";

// The recorder's programmes for a walk: "<minutes from noon>+<length> <title>" each.
using Programmes = QStringList;

class tst_timers : public QObject
{
    Q_OBJECT

    FakeLink link;
    std::unique_ptr<RecorderGuide> guide;
    const QDateTime noon = QDateTime(QDate(2030, 1, 1), QTime(12, 0), Qt::UTC);

    void startGuide(const QString &clock = {})
    {
        link.end();
        guide = std::make_unique<RecorderGuide>(link);
        guide->setTimeOfDay([this] { return noon; });
        link.connectUp(clock);
    }
    // The programme in a walk's row, on channel 5.
    Programme programme(QStringView row, quint32 id) const
    {
        const qsizetype plus = row.indexOf(u'+'), blank = row.indexOf(u' ');
        Programme p;
        p.eventId = id;
        p.start = noon.addSecs(60 * row.first(plus).toInt());
        p.duration = 60 * row.sliced(plus + 1, blank - plus - 1).toInt();
        p.title = row.sliced(blank + 1).toString();
        return p;
    }
    // Answers "LSTE 5 at <t>" as VDR does: the programme with start <= t <= end, the one begun
    // last; false when nothing was asked.
    bool answerWalk(const Programmes &programmes)
    {
        const QStringList asked = link.asked.filter(u"LSTE 5 at "_s);
        if (asked.isEmpty())
            return false;
        const qint64 at = asked.first().sliced(10).toLongLong();
        std::optional<Programme> found;
        for (int i = 0; i < programmes.size(); ++i) {
            const Programme p = programme(programmes[i], quint32(i + 1));
            const qint64 start = p.start.toSecsSinceEpoch();
            if (start <= at && at <= start + p.duration && (!found || p.start >= found->start))
                found = p;
        }
        Reply reply {550, {u"No schedule found"_s}};
        if (found)
            reply = {215,
                     {u"C S19.2E-1-1-5 Five"_s,
                      u"E %1 %2 %3 4E FF"_s.arg(found->eventId)
                          .arg(found->start.toSecsSinceEpoch())
                          .arg(found->duration),
                      u"T "_s + found->title, u"D Eins|Zwei"_s, u"e"_s, u"c"_s,
                      u"End of EPG data"_s}};
        return link.answer(asked.first(), reply);
    }
    // The schedule as listed: "<day>: HH:MM Title, ...; <day>: ...".
    QString shownSchedule()
    {
        ScheduleModel *model = guide->schedule()->model();
        QStringList days;
        for (int day = 0; day < model->rowCount(); ++day) {
            const QModelIndex group = model->index(day, 0);
            QStringList rows;
            for (int row = 0; row < model->rowCount(group); ++row)
                rows << model->index(row, 0, group).data().toString();
            days << group.data().toString() + u": "_s + rows.join(u", "_s);
        }
        return days.join(u"; "_s);
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", desktopZone);
        tzset();
    }

    // An LSTT or NEWT line as read: "id flags channel day start-stop file|aux", "-" for one the
    // window cannot read.
    void timerLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("read");
        const auto row = [](const char *tag, const QString &line, const QString &read) {
            QTest::newRow(tag) << line << read;
        };
        row("real LSTT", u"3 1:1:2026-12-11:2013:0155:50:99:Zappomatic Krimi|x:"_s,
            u"3 1 1 2026-12-11 20:13-01:55 Zappomatic Krimi:x|"_s);
        row("real NEWT answer", u"2 9:S19.2E-1-1089-12003:2026-12-11:2013:2155:50:99:A~B:"_s,
            u"2 9 S19.2E-1-1089-12003 2026-12-11 20:13-21:55 A/B| recording"_s);
        row("repeating", u"4 1:5:MTWTF--:0600:0630:50:99:News:<x>a:b</x>"_s,
            u"4 1 5 Mondays to Fridays 06:00-06:30 News|<x>a:b</x>"_s);
        row("repeating from a day", u"5 0:5:M-W---S@2026-12-14:2359:2359:1:2:N:"_s,
            u"5 0 5 Mon, Wed, Sun 23:59-23:59 N|"_s);
        row("control characters", u"6 1:5:2026-12-11:2013:2155:50:99:A\u0007B\u2028C:"_s,
            u"6 1 5 2026-12-11 20:13-21:55 A B C|"_s);
        row("missing fields", u"7 1:5:2026-12-11:2013:2155:50:99"_s, u"-"_s);
        row("no id", u"1:5:2026-12-11:2013:2155:50:99:A:"_s, u"-"_s);
        row("id zero", u"0 1:5:2026-12-11:2013:2155:50:99:A:"_s, u"-"_s);
        row("day that is no date", u"8 1:5:2026-13-45:2013:2155:50:99:A:"_s, u"-"_s);
        row("time 2599", u"9 1:5:2026-12-11:2599:2155:50:99:A:"_s, u"-"_s);
        row("flags no number", u"9 on:5:2026-12-11:2013:2155:50:99:A:"_s, u"-"_s);
        row("channel neither", u"9 1:RTL:2026-12-11:2013:2155:50:99:A:"_s, u"-"_s);
        row("20 KB file name", u"9 1:5:2026-12-11:2013:2155:50:99:"_s + QString(20000, u'x'),
            u"-"_s);
    }
    void timerLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, read);
        const std::optional<Timer> timer = Timer::parse(line);
        if (!timer) {
            QCOMPARE(u"-"_s, read);
            return;
        }
        QCOMPARE(
            u"%1 %2 %3 %4 %5-%6 %7|%8%9"_s.arg(timer->id)
                .arg(timer->flags)
                .arg(timer->channel ? QString::number(timer->channel) : timer->channelId,
                     timer->repeats() ? timer->repeatWords() : timer->day.toString(Qt::ISODate),
                     timer->start.toString(u"HH:mm"_s), timer->stop.toString(u"HH:mm"_s),
                     timer->shownFile(), timer->aux,
                     timer->isRecording() ? u" recording"_s : QString()),
            read);
    }

    // NEWT's settings for a programme from 19:15 UTC: the greeting's date and when it came
    // (seconds after noon UTC) give the recorder's clock; the margins are the settings' texts.
    void timerSettings_data()
    {
        QTest::addColumn<QString>("greeting");
        QTest::addColumn<int>("receivedAfter");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("margins");
        QTest::addColumn<QString>("settings");
        const auto row = [](const char *tag, const char16_t *greeting, int after, int minutes,
                            const char16_t *margins, const char16_t *settings) {
            QTest::newRow(tag) << QString::fromUtf16(greeting) << after << minutes
                               << QString::fromUtf16(margins) << QString::fromUtf16(settings);
        };
        row("recorder five hours behind", u"Tue Jan  1 07:00:00 2030", 0, 100, u"2 10",
            u"1:5:2030-01-01:1413:1605:50:99:Krimi| Teil 2:");
        row("clocks some minutes apart", u"Tue Jan  1 07:06:59 2030", 0, 100, u"2 10",
            u"1:5:2030-01-01:1413:1605:50:99:Krimi| Teil 2:");
        row("half an hour ahead, past midnight", u"Tue Jan  1 17:30:00 2030", 0, 240, u"0 0",
            u"1:5:2030-01-02:0045:0445:50:99:Krimi| Teil 2:");
        row("stop past midnight on the start's day", u"Tue Jan  1 15:00:00 2030", 0, 300, u"180 30",
            u"1:5:2030-01-01:1915:0345:50:99:Krimi| Teil 2:");
        row("no date: the desktop's zone", u"", 0, 60, u"2 10",
            u"1:5:2030-01-01:2013:2125:50:99:Krimi| Teil 2:");
        row("no zone is 15 hours off", u"Wed Jan  2 03:00:00 2030", 0, 60, u"2 10",
            u"1:5:2030-01-01:2013:2125:50:99:Krimi| Teil 2:");
        row("received later", u"Tue Jan  1 12:00:00 2030", 3600, 60, u"2 10",
            u"1:5:2030-01-01:1813:1925:50:99:Krimi| Teil 2:");
        row("margins out of range fall back", u"Tue Jan  1 12:00:00 2030", 0, 60, u"181 -1",
            u"1:5:2030-01-01:1913:2025:50:99:Krimi| Teil 2:");
        row("margins not numbers fall back", u"Tue Jan  1 12:00:00 2030", 0, 60, u"x 1e1",
            u"1:5:2030-01-01:1913:2025:50:99:Krimi| Teil 2:");
    }
    void timerSettings()
    {
        QFETCH(QString, greeting);
        QFETCH(int, receivedAfter);
        QFETCH(int, minutes);
        QFETCH(QString, margins);
        QFETCH(QString, settings);
        const RecorderClock clock
            = RecorderClock::fromGreeting(greeting, noon.addSecs(receivedAfter));
        Programme p;
        p.start = noon.addSecs(7 * 3600 + 15 * 60);
        p.duration = 60 * minutes;
        p.title = u"Krimi: Teil 2"_s;
        const Margins read {Margins::minutes(margins.section(u' ', 0, 0), Margins::defaultBefore),
                            Margins::minutes(margins.section(u' ', 1, 1), Margins::defaultAfter)};
        QCOMPARE(::timerSettings(5, p, read, clock), settings);
        // The timer those settings make covers the programme, and one a minute short does not.
        const auto timer = Timer::parse(u"1 "_s + settings);
        QVERIFY(timer && timer->covers(5, p, clock) && !timer->covers(4, p, clock));
        p.duration += 60 * (read.after + 1);
        QVERIFY(!timer->covers(5, p, clock));
    }

    // The schedule walked from noon as far as the view wants, over gaps, to the end of the data.
    void scheduleWalk_data()
    {
        QTest::addColumn<Programmes>("programmes");
        QTest::addColumn<int>("wanted");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("done");
        QTest::newRow("running, then back to back")
            << Programmes {u"-30+60 A"_s, u"30+45 B"_s, u"75+5 C"_s, u"80+100 D"_s} << 50
            << u"Today: 12:30 A, 13:30 B, 14:15 C, 14:20 D"_s << true;
        QTest::newRow("as far as wanted") << Programmes {u"-30+60 A"_s, u"30+45 B"_s, u"75+5 C"_s}
                                          << 2 << u"Today: 12:30 A, 13:30 B"_s << false;
        QTest::newRow("a short one right after a gap")
            << Programmes {u"-10+20 A"_s, u"18+4 X"_s, u"22+60 C"_s} << 50
            << u"Today: 12:50 A, 13:18 X, 13:22 C"_s << true;
        QTest::newRow("noon in a gap, and a night")
            << Programmes {u"30+30 A"_s, u"700+30 B"_s} << 50
            << u"Today: 13:30 A; Tomorrow: 00:40 B"_s << true;
        QTest::newRow("a day without data ends it")
            << Programmes {u"-10+20 A"_s, u"1500+30 B"_s} << 50 << u"Today: 12:50 A"_s << true;
        QTest::newRow("nothing at all") << Programmes {} << 50 << QString() << true;
    }
    void scheduleWalk()
    {
        QFETCH(Programmes, programmes);
        QFETCH(int, wanted);
        QFETCH(QString, shown);
        QFETCH(bool, done);
        startGuide();
        ScheduleWalk *walk = guide->schedule();
        walk->setWanted(wanted);
        walk->show(5);
        int asks = 0;
        while (answerWalk(programmes))
            QVERIFY2(++asks < 120, "the walk goes on");
        QCOMPARE(shownSchedule(), shown);
        QCOMPARE(walk->isDone(), done);
        // Never more than one question at a time, and nothing once done or wanted.
        QCOMPARE(link.asked.filter(u"LSTE 5"_s), QStringList());
    }

    // The walk shares the guide's byte window, restarts for another channel and connection, and
    // drops a late reply for the channel before.
    void scheduleWalkShares()
    {
        const Programmes five {u"-30+60 A"_s, u"30+45 B"_s};
        startGuide();
        ScheduleWalk *walk = guide->schedule();
        walk->setWanted(50);
        guide->window()->take(ByteWindow::defaultBudget);
        walk->show(5);
        QCOMPARE(link.asked.filter(u"LSTE 5"_s), QStringList());
        guide->window()->giveBack(ByteWindow::defaultBudget);
        QVERIFY(answerWalk(five));
        walk->show(6);
        QVERIFY(answerWalk(five));
        QCOMPARE(shownSchedule(), QString());
        QCOMPARE(link.asked.filter(u"LSTE 6 at "_s).size(), 1);
        link.end();
        QCOMPARE(shownSchedule(), QString());
        link.connectUp();
        QCOMPARE(link.asked.filter(u"LSTE 6 at "_s).size(), 1);
    }

    // What goes to the recorder for each change, what the answer line says, and the ids: only
    // those of the list read over the connection that is up.
    void timerChanges()
    {
        // The recorder keeps New York's time: 07:00 when it is noon in UTC.
        startGuide(u"Tue Jan  1 07:00:00 2030"_s);
        RecorderTimers *timers = guide->timers();
        QStringList said;
        connect(timers, &RecorderTimers::answered, this,
                [&](int code, const QString &text) { said << u"%1 %2"_s.arg(code).arg(text); });
        guide->setClocks(std::chrono::milliseconds(1), std::chrono::milliseconds(60000));
        QVERIFY(link.answer(u"LSTT"_s,
                            {250,
                             {u"1 1:5:2030-01-01:0958:1110:50:99:Krimi:"_s, u"2 bad line"_s,
                              u"4 1:5:MTWTF--:0600:0630:50:99:News:"_s}}));
        QCOMPARE(timers->model()->rowCount(), 3);
        const auto checks = [&] {
            QStringList out;
            for (int row = 0; row < timers->model()->rowCount(); ++row)
                out << timers->model()->index(row, 0).data().toString()
                        + timers->model()->index(row, 2).data().toString();
            return out.join(u"; "_s);
        };
        QCOMPARE(checks(),
                 u"OnTue 1 Jan 15:58\u201317:10; Unreadable; OnMondays to Fridays "
                 "12:00\u201312:30"_s);
        Programme krimi = programme(u"180+60 Krimi", 9);
        timers->record(5, krimi);
        QCOMPARE(said.takeFirst(), u"0 A timer is already set for Krimi"_s);
        QCOMPARE(link.asked.filter(u"NEWT"_s), QStringList());
        timers->record(5, programme(u"300+100 Film: Zwei", 10));
        QCOMPARE(link.asked.filter(u"NEWT"_s),
                 QStringList {u"NEWT 1:5:2030-01-01:1158:1350:50:99:Film| Zwei:"_s});
        QVERIFY(link.answer(
            u"NEWT 1:5:2030-01-01:1158:1350:50:99:Film| Zwei:"_s,
            {250, {u"3 1:S19.2E-1-1089-12003:2030-01-01:1158:1350:50:99:Film| Zwei:"_s}}));
        QCOMPARE(said.takeFirst(), u"250 Timer 3 set: Film: Zwei, Tue 17:58\u201319:50"_s);
        QVERIFY(timers->covers(5, programme(u"300+100 Film: Zwei", 10)));
        timers->toggle(3);
        timers->toggle(2);
        timers->remove(7);
        QCOMPARE(link.asked.filter(QRegularExpression(u"MODT|DELT"_s)),
                 QStringList {u"MODT 3 off"_s});
        QVERIFY(link.answer(u"MODT 3 off"_s,
                            {250, {u"3 0:S19.2E-1-1089-12003:2030-01-01:1158:1350:50:99:F:"_s}}));
        QCOMPARE(said.takeFirst(), u"250 Timer 3 off"_s);
        timers->remove(1);
        QVERIFY(link.answer(u"DELT 1"_s, {250, {u"Timer \"1\" deleted"_s}}));
        QCOMPARE(said.takeFirst(), u"250 Timer \"1\" deleted"_s);
        QVERIFY(!timers->covers(5, krimi));
        // The list was asked once after its first reading came, however many changes followed.
        QCOMPARE(link.asked.filter(u"LSTT"_s).size(), 1);
        QVERIFY(link.answer(u"LSTT"_s, {550, {u"No timers defined"_s}}));
        QCOMPARE(link.asked.filter(u"LSTT"_s).size(), 1);
        QVERIFY(link.answer(u"LSTT"_s, {250, {u"3 1:5:2030-01-01:1158:1350:50:99:F:"_s}}));
        QCOMPARE(timers->model()->rowCount(), 1);
        // A new run of the recorder: no id of the last one goes out.
        link.end();
        link.connectUp();
        timers->toggle(3);
        timers->remove(3);
        QCOMPARE(link.asked, (QStringList {u"CHAN"_s, u"LSTC :groups"_s, u"LSTT"_s}));
        // The window to the front so soon asks nothing; the Record key asks once it settles.
        QVERIFY(link.answer(u"LSTT"_s, {550, {u"No timers defined"_s}}));
        guide->windowActivated();
        QCOMPARE(link.asked.filter(u"LSTT"_s).size(), 0);
        timers->noteRecordKey();
        QTRY_COMPARE(link.asked.filter(u"LSTT"_s).size(), 1);
    }
};

QTEST_MAIN(tst_timers)
#include "tst_timers.moc"
