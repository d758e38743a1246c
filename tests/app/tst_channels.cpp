// SPDX-License-Identifier: GPL-2.0-or-later
// The channel panel beside the handset: the list as the recorder knows it, its filter, the
// current channel under it and what is on, and when the window asks the channel again.
#include "window.h"

#include <QScrollBar>
#include <QSortFilterProxyModel>

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
        // Back at the front, the window asks again, but not twice within the interval.
        QWidget other;
        other.show();
        const qsizetype back = simLog.size();
        for (int activation = 0; activation < 2; ++activation) {
            QApplication::setActiveWindow(&other);
            QApplication::setActiveWindow(w.get());
        }
        QTRY_VERIFY(simLog.indexOf("CHAN", back) > 0);
        QCOMPARE(simReceived(back), "CHAN\\r\\n\n");
    }
};

QTEST_MAIN(tst_channels)
#include "tst_channels.moc"
