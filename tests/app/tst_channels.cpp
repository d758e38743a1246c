// SPDX-License-Identifier: GPL-2.0-or-later
// The channel panel beside the handset: the list as the recorder knows it, its filter, the
// current channel under it and what is on, and when the window asks the channel again.
#include "window.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTabWidget>

// A timer row: the greeting (the recorder's clock), the settings file, the reply to LSTT, the
// steps taken, the timer row chosen, the reply to the timer command, the timer lines sent, what
// the confirmation says ("|" between parts; empty: none shows), whether it is answered Yes, and
// the answer line's start and a word of its help.
using TimerRow = std::tuple<QByteArray, QByteArray, QByteArray, QString, int, QByteArray,
                            QByteArray, QString, bool, QString, QString>;

class tst_channels : public WindowTest
{
    Q_OBJECT

private Q_SLOTS:
    // The filter's keys stay in the panel; Enter switches to the channel chosen or the first
    // shown, with the line Go CH sends, and the current channel follows the answer.
    void channelPanel_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("switched"); // 0: Enter sends nothing
        const QString first = u"Channels 1 to 50"_s, third = u"Channels 101 to 120"_s;
        QTest::newRow("number and name, case-blind")
            << u"CHANNEL 11"_s
            << QStringList {first, u"11 Channel 11"_s, third} + QStringList {u"110 Channel 110"_s}
            << 11;
        QTest::newRow("digits") << u"119"_s << QStringList {third, u"119 Channel 119"_s} << 119;
        QTest::newRow("no match hides every group") << u"3sat"_s << QStringList {} << 0;
    }
    void channelPanel()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, rows);
        QFETCH(int, switched);
        open();
        connectWindow(startSim({u"--channels"_s, u"120"_s, u"--short-programmes"_s, u"2"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(shownRows().size(), 123, waitMs);
        QTRY_COMPARE(find<QLabel>(u"lbl_channel"_s)->text(), u"1 Channel 1"_s);
        auto *filter = find<QLineEdit>(u"txt_filter"_s);
        filter->setFocus();
        QTest::keyClicks(filter, typed);
        QTest::keyClick(filter, Qt::Key_Backspace);
        QTest::keyClicks(filter, typed.right(1));
        QTRY_COMPARE(shownRows().mid(0, rows.size()), rows);
        QTest::keyClick(filter, Qt::Key_Return);
        const QByteArray line = "chan " + QByteArray::number(switched) + "\\r\\n";
        if (switched)
            QTRY_VERIFY_WITH_TIMEOUT(simLog.contains(line), waitMs);
        QVERIFY2(!simLog.contains("hitk") && !simLog.contains("chan ") == !switched, simLog);
        QTRY_COMPARE(find<QLabel>(u"lbl_channel"_s)->text(),
                     switched ? u"%1 Channel %1"_s.arg(switched) : u"1 Channel 1"_s);
        // Its programmes are in, so nothing but the cleared filter brings its row into view.
        QTRY_VERIFY_WITH_TIMEOUT(find<QLabel>(u"lbl_next"_s)
                                     ->text()
                                     .endsWith(u" on Channel %1"_s.arg(switched ? switched : 1)),
                                 waitMs);
        QTest::keyClick(filter, Qt::Key_Escape);
        QTRY_COMPARE(shownRows().size(), 123);
        // The current channel's row is marked, and in view with the whole list back.
        auto *list = find<QTreeView>(u"lst_channels"_s);
        const QModelIndex current
            = static_cast<QSortFilterProxyModel *>(list->model())
                  ->mapFromSource(w->guide().channels()->indexOf(switched ? switched : 1));
        QTRY_VERIFY(list->viewport()->rect().contains(list->visualRect(current)));
        QVERIFY(current.data(Qt::FontRole).value<QFont>().bold());
        // A group line is a header: a click does not choose it. A double click on a channel
        // switches to it.
        const QModelIndex group = list->model()->index(0, 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(group).center());
        QVERIFY(list->selectionModel()->selectedIndexes().isEmpty());
        const QModelIndex second = list->model()->index(1, 0, group);
        list->scrollTo(second);
        const QPoint at = list->visualRect(second).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTRY_COMPARE_WITH_TIMEOUT(simLog.count("chan 2\\r\\n"), 1, waitMs);
        // The next programme on the current channel leaves the list where it was scrolled.
        const auto *now = find<QLabel>(u"lbl_now"_s);
        QTRY_VERIFY_WITH_TIMEOUT(now->text().endsWith(u" on Channel 2"_s), waitMs);
        list->scrollToBottom();
        const int scrolled = list->verticalScrollBar()->value();
        const QString before = now->text();
        QTRY_VERIFY_WITH_TIMEOUT(now->text() != before, waitMs);
        QCOMPARE(list->verticalScrollBar()->value(), scrolled);
    }

    // The schedule of the current channel, walked from the programme running now, records a
    // programme with the margins on the recorder's clock; the timer list switches and deletes
    // timers by the ids the current connection listed, and never a line it cannot read.
    void timers_data()
    {
        QTest::addColumn<TimerRow>("timer");
        const QByteArray none = "550 No timers defined\r\n",
                         film = "7 0:2:2026-12-08:2000:2100:50:99:Film:\r\n",
                         krimi = "1 1:1:2026-12-07:1858:2040:50:99:Krimi| Teil 1:\r\n",
                         set
            = "250 3 1:S19.2E-1-1101-28106:2026-12-07:1858:2040:50:99:Krimi| Teil 1:\r\n",
                         on = "250 7 1:S19.2E-1-1101-28106:2026-12-08:2000:2100:50:99:Film:\r\n",
                         east = "Mon Dec  7 19:18:03 2026";
        const QString greeted = u"VDR 2.6.0 on "_s;
        const auto row = [](const char *tag, const TimerRow &timer) {
            QTest::newRow(tag) << timer;
        };
        row("record: VDR's margins, the recorder an hour east",
            {east,
             {},
             none,
             u"record"_s,
             0,
             set,
             "NEWT 1:1:2026-12-07:1858:2040:50:99:Krimi| Teil 1:\r\n",
             {},
             false,
             u"Timer 3 set: Krimi: Teil 1, "_s,
             {}});
        row("Enter records: margins set, half an hour west",
            {"Mon Dec  7 13:48:03 2026",
             "[timers]\nmargin_before=5\nmargin_after=0\n",
             none,
             u"enter"_s,
             0,
             set,
             "NEWT 1:1:2026-12-07:1325:1500:50:99:Krimi| Teil 1:\r\n",
             {},
             false,
             u"Timer 3 set"_s,
             {}});
        row("stop past midnight, margins beyond the range, refused",
            {"Tue Dec  8 00:03:03 2026",
             "[timers]\nmargin_before=-1\nmargin_after=181\n",
             none,
             u"record"_s,
             0,
             "501 Error in timer settings\r\n",
             "NEWT 1:1:2026-12-07:2343:0125:50:99:Krimi| Teil 1:\r\n",
             {},
             false,
             u"Error in timer settings"_s,
             u"no such channel"_s});
        row("a covered programme sends nothing",
            {east,
             {},
             "250 " + krimi,
             u"record"_s,
             0,
             set,
             {},
             {},
             false,
             u"A timer is already set for Krimi: Teil 1"_s,
             {}});
        row("on/off with the listed id",
            {east,
             {},
             "250-" + krimi + "250 " + film,
             u"choose toggle"_s,
             1,
             on,
             "MODT 7 on\r\n",
             {},
             false,
             u"Timer 7 on"_s,
             {}});
        row("on/off of a timer gone meanwhile",
            {east,
             {},
             "250-" + krimi + "250 " + film,
             u"choose toggle"_s,
             1,
             "501 Timer \"7\" not defined\r\n",
             "MODT 7 on\r\n",
             {},
             false,
             u"Timer \"7\" not defined"_s,
             u"read again"_s});
        row("delete after Yes",
            {east,
             {},
             "250-" + krimi + "250 " + film,
             u"choose delete"_s,
             1,
             "250 Timer \"7\" deleted\r\n",
             "DELT 7\r\n",
             u"\u201cFilm\u201d"_s,
             true,
             u"Timer \"7\" deleted"_s,
             {}});
        row("no delete after No",
            {east,
             {},
             "250 " + film,
             u"choose delete"_s,
             0,
             "250 Timer \"7\" deleted\r\n",
             {},
             u"Film"_s,
             false,
             greeted,
             {}});
        row("deleting a recording timer stops it, or VDR refuses",
            {east,
             {},
             "250 " + QByteArray(film).replace(" 0:2:", " 9:2:"),
             u"choose delete"_s,
             0,
             "550 Timer \"7\" is recording\r\n",
             "DELT 7\r\n",
             u"Film|the recording stops"_s,
             true,
             u"Timer \"7\" is recording"_s,
             u"stop the recording"_s});
        row("an unreadable line is never acted on",
            {east,
             {},
             "250-3 1:x:2026-12-08:2599:2100\r\n250 " + film,
             u"choose toggle delete"_s,
             0,
             on,
             {},
             {},
             true,
             greeted,
             {}});
        row("after a reconnect only the new list's ids",
            {east,
             {},
             "250-" + krimi + "250 " + film,
             u"choose reconnect toggle choose toggle"_s,
             1,
             QByteArray(on).replace("250 7", "250 9"),
             "MODT 9 on\r\n",
             {},
             false,
             u"Timer 9 on"_s,
             {}});
    }
    void timers()
    {
        QFETCH(TimerRow, timer);
        const auto &[greeting, ini, lstt, steps, row, reply, sent, dialog, yes, answered, hint]
            = timer;
        w.reset();
        rec = std::make_unique<Recorder>();
        open(ini);
        rec->greeting = "220 vdr SVDRP VideoDiskRecorder 2.6.0; " + greeting + "; UTF-8\r\n";
        rec->replies = {{"CHAN", "250 1 Das Erste HD\r\n"},
                        {"LSTE 1 ",
                         "215-C S19.2E-1-1101-28106 Das Erste HD\r\n215-E 4711 1796666400 "
                         "5400 4E FF\r\n215-T Krimi: Teil 1\r\n215-D Mord|im Park\r\n215-e\r\n"
                         "215-c\r\n215 End of EPG data\r\n"},
                        {"LSTT", lstt},
                        {"NEWT", reply},
                        {"MODT", reply},
                        {"DELT", reply}};
        w->guide().setTimeOfDay(
            [] { return QDateTime(QDate(2026, 12, 7), QTime(18, 18, 3), Qt::UTC); });
        const auto connectRecorder = [&] {
            connectTo(u"127.0.0.1"_s, QString::number(rec->port()));
            QTRY_COMPARE_WITH_TIMEOUT(status(), connectedText(), waitMs);
        };
        connectRecorder();
        auto *schedule = find<QTreeView>(u"lst_schedule"_s);
        auto *list = find<QTreeView>(u"lst_timers"_s);
        const QModelIndex programme
            = schedule->model()->index(0, 0, schedule->model()->index(0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(programme.data().toString().contains(u" Krimi: Teil 1"_s), waitMs);
        QVERIFY(!find(u"lbl_schedule_state"_s)->isVisible());
        QTRY_COMPARE(list->model()->rowCount(),
                     qsizetype(lstt.count('\n') - lstt.startsWith("550")));
        QString shown;
        for (const QString &step : steps.split(u' ')) {
            if (step == u"record"_s || step == u"enter"_s) {
                schedule->setCurrentIndex(programme);
                QCOMPARE(find<QPlainTextEdit>(u"txt_description"_s)->toPlainText(),
                         u"Mord\nim Park"_s);
                if (step == u"enter"_s)
                    QTest::keyClick(schedule, Qt::Key_Return);
                else
                    click(u"cmd_record_programme"_s);
            } else if (step == u"choose"_s) {
                find<QTabWidget>(u"tab_lists"_s)->setCurrentIndex(1);
                list->setCurrentIndex(list->model()->index(row, 0));
            } else if (step == u"toggle"_s) {
                click(u"cmd_toggle_timer"_s);
            } else if (step == u"delete"_s) {
                // The confirmation is modal: it is answered from within its own loop.
                QTimer answer;
                connect(&answer, &QTimer::timeout, this, [&] {
                    if (auto *box
                        = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                        answer.stop();
                        shown = box->text();
                        // No is the default; a wrong default shows as a confirmation unread.
                        if (box->defaultButton() != box->button(QMessageBox::No))
                            shown = u"(Yes is the default)"_s;
                        box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
                    }
                });
                answer.start(10);
                click(u"cmd_delete_timer"_s);
            } else if (step == u"reconnect"_s) {
                click(u"cmd_disconnect"_s);
                rec->replies[2].second.replace("250 7", "250 9");
                connectRecorder();
                QTRY_VERIFY(list->model()->index(1, 0).isValid()
                            && w->guide().timers()->model()->timer(9));
            }
        }
        QByteArray timerLines;
        QByteArrayList connections = rec->received;
        connections.last() = wire(int(connections.size() - 1));
        for (const QByteArray &received : std::as_const(connections))
            for (const QByteArray &line : received.split('\n'))
                if (line.startsWith("NEWT") || line.startsWith("MODT") || line.startsWith("DELT"))
                    timerLines += line + '\n';
        QCOMPARE(timerLines, sent);
        for (const QString &part : dialog.split(u'|', Qt::SkipEmptyParts))
            QVERIFY2(shown.contains(part), qPrintable(shown));
        QCOMPARE(shown.isEmpty(), dialog.isEmpty());
        QTRY_VERIFY2(answer().startsWith(answered), qPrintable(answer()));
        const QString help = find<QLabel>(u"lbl_answer"_s)->accessibleDescription();
        QVERIFY2(help.contains(hint) && help.isEmpty() == hint.isEmpty(), qPrintable(help));
    }

    // The list comes from "LSTC :groups", or plain "LSTC" from a VDR before 1.5.9 and one that
    // refuses the option. VDR answers in turn, so a press waits for what the guide asked before
    // it: a slow link must not hold it much longer than the press's own answer takes.
    void listAskedAsRecorderKnows_data()
    {
        QTest::addColumn<QStringList>("simulator");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("asked");
        const QString groups = u"LSTC :groups\\r\\n"_s, plain = u"LSTC\\r\\n"_s;
        QTest::newRow("1.5.9") << QStringList {u"--greeting-version"_s, u"1.5.9"_s} << 5
                               << QStringList {groups};
        QTest::newRow("1.5.8") << QStringList {u"--greeting-version"_s, u"1.5.8"_s} << 5
                               << QStringList {plain};
        QTest::newRow("option refused")
            << QStringList {u"--reply"_s, u"LSTC :groups=501 Unknown option"_s} << 5
            << QStringList {groups, plain};
        QTest::newRow("slow, thousands of rows")
            << QStringList {u"--channels"_s, u"2000"_s, u"--slow-bytes-per-second"_s, u"200000"_s}
            << 2040 << QStringList {groups};
    }
    void listAskedAsRecorderKnows()
    {
        QFETCH(QStringList, simulator);
        QFETCH(int, rows);
        QFETCH(QStringList, asked);
        open();
        connectWindow(startSim(simulator));
        QTRY_COMPARE_WITH_TIMEOUT(shownRows().size(), rows, 4 * waitMs);
        QElapsedTimer clock;
        clock.start();
        click(u"cmd_menu"_s);
        QTRY_COMPARE_WITH_TIMEOUT(answer(), u"Key \"menu\" accepted"_s, 4 * waitMs);
        // Widely: a busy machine may take its time, but the rows' thousands of programmes not.
        QCOMPARE_LE(clock.elapsed(), 1500);
        QCOMPARE(QString::fromLatin1(simReceived(0)).split(u'\n').filter(u"LSTC"_s), asked);
    }

    // A number typed on the digit keys switches the recorder, and the channel under the list
    // follows: the channel is asked once, after the last key of the burst. Spaced closer than
    // the settle time, the keys span more of it, so a clock started by the first key would ask
    // before the last.
    void burstAsksOnce()
    {
        open();
        w->guide().setClocks(std::chrono::milliseconds(1000), std::chrono::milliseconds(500));
        connectWindow(startSim({u"--channels"_s, u"200"_s}));
        QTRY_COMPARE(channel(), u"1 Channel 1"_s);
        const auto keypad = find(u"Frame1"_s)->findChildren<QPushButton *>();
        QList<QPushButton *> digits;
        for (const int digit : {1, 2, 3})
            digits << *std::find_if(keypad.begin(), keypad.end(),
                                    [&](QWidget *key) { return key->property("index") == digit; });
        const qsizetype from = simLog.size();
        pressSpaced(digits, 700);
        QTRY_COMPARE_WITH_TIMEOUT(channel(), u"123 Channel 123"_s, waitMs);
        QCOMPARE(simReceived(from), "hitk 1\\r\\n\nhitk 2\\r\\n\nhitk 3\\r\\n\nCHAN\\r\\n\n");
        // Back at the front, the window asks the channel and the timers again, but not twice
        // within the interval.
        QWidget other;
        other.show();
        const qsizetype back = simLog.size();
        for (int activation = 0; activation < 2; ++activation) {
            QApplication::setActiveWindow(&other);
            QApplication::setActiveWindow(w.get());
        }
        QTRY_VERIFY(simLog.indexOf("CHAN", back) > 0);
        QCOMPARE(simReceived(back), "CHAN\\r\\n\nLSTT\\r\\n\n");
    }
};

QTEST_MAIN(tst_channels)
#include "tst_channels.moc"
