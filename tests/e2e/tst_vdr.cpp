// SPDX-License-Identifier: GPL-2.0-or-later
// The handset window against a real VDR that closes idle SVDRP connections after a few seconds;
// every check reads what the recorder itself shows, through svdrpsend and svdrposd.
#include "channel_model.h"
#include "frm_main.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>

using namespace Qt::StringLiterals;

static const QString port = qEnvironmentVariable("ZAPPOMATIC_VDR_PORT");
static const pid_t vdrPid = qEnvironmentVariableIntValue("ZAPPOMATIC_VDR_PID");
static const int idleTimeoutMs = qEnvironmentVariableIntValue("ZAPPOMATIC_SVDRP_TIMEOUT") * 1000;
static const QString connected = u"Connected to 127.0.0.1 port "_s + port;

// What the VDR on vdrPort answers, as the bytes it wrote.
static QByteArray askBytes(const QString &command, const QString &vdrPort = port)
{
    QProcess svdrpsend;
    svdrpsend.start(u"svdrpsend"_s, {u"-p"_s, vdrPort, command});
    // Runs the event loop meanwhile, so the window under test keeps talking.
    if (!QTest::qWaitFor([&] { return svdrpsend.state() == QProcess::NotRunning; }, 10000))
        return "(svdrpsend did not end)";
    return svdrpsend.readAll();
}

// VDR's reply lines without their codes ("920-T:VDR" reads "T:VDR").
static QStringList ask(const QString &command)
{
    static const QRegularExpression code(u"^\\d{3}[- ]"_s);
    return QString::fromUtf8(askBytes(command)).split(u"\r\n"_s).replaceInStrings(code, {});
}

// The open menu's title and selected item ("T:VDR S: 1 Schedule"); empty with no menu open.
static QString menu()
{
    return ask(u"PLUG svdrposd LSTO"_s).filter(QRegularExpression(u"^[TS]:"_s)).join(u' ');
}

class tst_vdr : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;
    std::unique_ptr<frm_main> m_window;

    QString status() const { return m_window->findChild<QLabel *>(u"lbl_info"_s)->text(); }
    const QLabel *answerLine() const { return m_window->findChild<QLabel *>(u"lbl_answer"_s); }
    QString answer() const { return answerLine()->text(); }

    void click(const QString &name)
    {
        QTest::mouseClick(m_window->findChild<QPushButton *>(name), Qt::LeftButton);
    }

    // A new window, connected as its zappomatic.ini says, showing the status it should.
    void open(int keepAlive, const QString &to = port, const QString &shown = connected)
    {
        QFile ini(m_settings.filePath(u"zappomatic.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QTextStream(&ini) << "[server]\nip=127.0.0.1\nport=" << to << "\nkeepalive=" << keepAlive;
        m_window = std::make_unique<frm_main>(m_settings.path());
        m_window->show();
        click(u"cmd_connect"_s);
        QTRY_COMPARE(status(), shown);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(idleTimeoutMs > 0 && !port.isEmpty() && vdrPid > 0,
                 "run by run_vdr.sh, which starts the VDRs");
        open(1);
        QVERIFY2(answer().startsWith(u"VDR 2.6.0 on zappomatic-vdr-"_s), qPrintable(answer()));
    }

    void keepAliveOutlastsIdleTimeouts()
    {
        // Three idle timeouts without a press, and no poll finds the connection gone; the
        // PINGs' answers do not show.
        const QString greeting = answer();
        QSignalSpy down(&m_window->link(), &RecorderLink::connectionDown);
        QVERIFY(!down.wait(3 * idleTimeoutMs + 1000));
        QCOMPARE(status(), connected);
        QCOMPARE(answer(), greeting);
        click(u"cmd_menu"_s);
        QTRY_COMPARE(menu(), u"T:VDR S: 1 Schedule"_s);
        QCOMPARE(answer(), u"Key \"menu\" accepted"_s);
    }

    // Keys move through the menu the keep-alive test left open, then close it; the band's keys
    // open what they name on the recorder's screen, or show its message there. Each is answered
    // on the answer line. Power is left to the simulator: a real VDR asks to confirm a
    // shutdown, and waits for the answer before it serves SVDRP again.
    void recorderKeys_data()
    {
        QTest::addColumn<QString>("key"); // VDR's name, the button's accessible name
        // "T:" the menu's title and "S:" its item (empty: none open), "M:" a message.
        QTest::addColumn<QString>("shown");
        const char *const rows[][2] = {{"Down", "T:VDR S: 2 Channels"},
                                       {"3", "T:Timers"},
                                       {"Back", "T:VDR S: 3 Timers"},
                                       {"Back", ""},
                                       {"Recordings", "T:Recordings"},
                                       {"Schedule", "T:Schedule"},
                                       {"Timers", "T:Timers"},
                                       {"Setup", "T:Setup - VDR 2.6.0"},
                                       {"Audio", "M:No audio available!"}};
        for (const auto &[key, shown] : rows)
            QTest::addRow("%s: %s", key, shown)
                << QString::fromLatin1(key) << QString::fromLatin1(shown);
    }
    void recorderKeys()
    {
        QFETCH(QString, key);
        QFETCH(QString, shown);
        QPushButton *button = nullptr;
        for (QPushButton *b : m_window->findChildren<QPushButton *>())
            button = b->accessibleName() == key ? b : button;
        QVERIFY(button);
        // A key pressed while a message shows only takes the message away.
        QTRY_VERIFY_WITH_TIMEOUT(ask(u"PLUG svdrposd OSDM"_s).contains(u"Currently not on OSD"_s),
                                 15000);
        QTest::mouseClick(button, Qt::LeftButton);
        if (shown.startsWith(u"M:"_s))
            QTRY_VERIFY(ask(u"PLUG svdrposd OSDM"_s).contains(shown.mid(2)));
        else
            QTRY_VERIFY2(shown.isEmpty() ? menu().isEmpty()
                                         : (menu() + u' ').startsWith(shown + u' '),
                         qPrintable(menu()));
        QTRY_COMPARE(answer(), u"Key \"%1\" accepted"_s.arg(key.toLower()));
    }

    // A message reaches the recorder's screen as typed, a Latin-9 VDR's in its own bytes.
    void messageShowsExactText_data()
    {
        QTest::addColumn<QString>("vdrPort");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("shown"); // the last line of svdrposd's OSDM
        const QString latin9 = qEnvironmentVariable("ZAPPOMATIC_LATIN9_VDR_PORT");
        QTest::newRow("UTF-8") << port << u"Grüße aus Zappomatic"_s
                               << "920 Grüße aus Zappomatic\r\n"_ba;
        QTest::newRow("Latin-9") << latin9 << u"Grüße €"_s << "920 Gr\374\337e \244\r\n"_ba;
    }
    void messageShowsExactText()
    {
        QFETCH(QString, vdrPort);
        QFETCH(QString, text);
        QFETCH(QByteArray, shown);
        open(1, vdrPort, u"Connected to 127.0.0.1 port "_s + vdrPort);
        m_window->findChild<QLineEdit *>(u"txt_msg"_s)->setText(text);
        click(u"cmd_sendmsg"_s);
        QTRY_COMPARE(answer(), u"Message queued"_s);
        QTRY_VERIFY(askBytes(u"PLUG svdrposd OSDM"_s, vdrPort).contains(shown));
    }

    void disconnectLeavesRecorderServing()
    {
        click(u"cmd_disconnect"_s);
        QCOMPARE(status(), u"Disconnected"_s);
        QTRY_COMPARE(status(), u"Not connected"_s);
        // A new client gets in, and without keep-alive VDR drops it after one idle timeout.
        QElapsedTimer idle;
        idle.start();
        open(0);
        QTRY_COMPARE_WITH_TIMEOUT(status(), u"Not connected (closed by recorder)"_s,
                                  2 * idleTimeoutMs + 1000);
        QCOMPARE_GE(idle.elapsed(), idleTimeoutMs);
    }

    // A VDR whose svdrphosts.conf does not list this computer listens on every address and
    // turns it away.
    void deniedByHostsFile()
    {
        open(1, qEnvironmentVariable("ZAPPOMATIC_DENYING_VDR_PORT"),
             u"Not connected (access denied)"_s);
    }

    // Debian's channel list, and programmes put into VDR's guide before the window connects (it
    // asks what is on as it connects, as programmes end and as rows come into view): a programme
    // now and next on channel 1, one now on 17. Enter on a row switches there, which VDR
    // without tuners refuses.
    void channelPanel()
    {
        QVERIFY2(QDateTime::currentDateTime().offsetFromUtc() % 3600 != 0,
                 "run_vdr.sh sets a time zone off UTC by part of an hour");
        const qint64 start = QDateTime::currentSecsSinceEpoch() / 60 * 60 - 600;
        QTemporaryFile epg;
        QVERIFY(epg.open());
        for (const auto &[channel, from, title] : {std::tuple {1, 0, "Punkt 12"},
                                                   {1, 3600, "Der Blaulicht-Report"},
                                                   {17, 300, "Zu Tisch in Südtirol"}})
            QTextStream(&epg) << "C " << ask(u"LSTC :ids %1"_s.arg(channel))[1].section(u' ', 1, 1)
                              << "\nE " << from + 1 << ' ' << start + from << " 3600 4E FF\nT "
                              << title << "\nS Kurz " << from << "\ne\nc\n";
        epg.close();
        QVERIFY(ask(u"PUTE "_s + epg.fileName())[1].startsWith(u"EPG data processed"_s));
        open(1);

        // The rows as VDR's list reads: "<number> <long name>", and a group while it holds a
        // channel. Debian's list starts with channels before any group; ":@100" only numbers
        // those after it, and ":@1000 Neue Kanaele" ends the list.
        QTreeView *list = m_window->findChild<QTreeView *>(u"lst_channels"_s);
        const auto rowOf = [list](int number) {
            QModelIndex row = list->model()->index(0, 0);
            while (row.isValid() && row.data(ChannelModel::NumberRole).toInt() != number)
                row = list->indexBelow(row);
            return row;
        };
        QStringList rows;
        for (QModelIndex row = list->model()->index(0, 0); row.isValid();
             row = list->indexBelow(row))
            rows << row.data().toString();
        QCOMPARE(rows.size(), 147 + 13);
        QCOMPARE(rows.mid(0, 6),
                 QStringList({u"1 RTL Television"_s, u"2 SAT.1"_s, u"3 ProSieben"_s, u"4 RTL2"_s,
                              u"ARD und ZDF"_s, u"5 Das Erste HD"_s}));
        QCOMPARE(rows.mid(rows.indexOf(u"77 Juwelo HD"_s), 3),
                 QStringList({u"77 Juwelo HD"_s, u"Sky HD"_s, u"100 Sky Cinema HD"_s}));
        QCOMPARE(rows.last(), u"169 Sky Sport Austria HD"_s);

        const auto shown = [this](const char *label) {
            const auto *line = m_window->findChild<QLabel *>(QString::fromLatin1(label));
            return line->text() + u'/' + line->accessibleDescription();
        };
        const auto at = [start](int from) {
            return QDateTime::fromSecsSinceEpoch(start + from).toString(u"HH:mm "_s);
        };
        QCOMPARE(shown("lbl_channel"), u"1 RTL Television/"_s);
        QTRY_COMPARE(shown("lbl_now"), at(0) + u"Punkt 12/Kurz 0"_s);
        QTRY_COMPARE(shown("lbl_next"), at(3600) + u"Der Blaulicht-Report/Kurz 3600"_s);
        // Row 17 starts out of view: its title is asked for as it comes in.
        const auto title17 = [&] {
            return rowOf(17).siblingAtColumn(1).data().toString();
        };
        QVERIFY(!list->viewport()->rect().intersects(list->visualRect(rowOf(17))));
        QCOMPARE(title17(), QString());
        list->scrollTo(rowOf(17));
        QTRY_COMPARE(title17(), u"Zu Tisch in Südtirol"_s);

        list->setFocus();
        list->setCurrentIndex(rowOf(16));
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(answer(), u"Error switching to channel \"16\""_s);
        QVERIFY2(answerLine()->toolTip().contains(u"busy"_s), qPrintable(answerLine()->toolTip()));
    }

    // From the window against the recorder's own clock, three hours behind UTC while the suite's
    // is five and a half ahead: a programme recorded with the margins, not twice, then switched
    // off and deleted, each read back from VDR's list.
    void timersFromTheWindow()
    {
        const qint64 start = QDateTime::currentSecsSinceEpoch() / 60 * 60 + 3 * 3600;
        QTemporaryFile epg;
        QVERIFY(epg.open());
        QTextStream(&epg) << "C " << ask(u"LSTC :ids 1"_s)[1].section(u' ', 1, 1) << "\nE 901 "
                          << start << " 6000 4E FF\nT Zappomatic Krimi\nS Folge 1\nD Eins|Zwei\n"
                          << "e\nc\n";
        epg.close();
        QVERIFY(ask(u"PUTE "_s + epg.fileName())[1].startsWith(u"EPG data processed"_s));
        open(1);
        auto *channels = m_window->findChild<QTreeView *>(u"lst_channels"_s);
        auto *schedule = m_window->findChild<QTreeView *>(u"lst_schedule"_s);
        QTRY_VERIFY(channels->model()->rowCount() > 0);
        channels->setCurrentIndex(channels->model()->index(0, 0));
        QModelIndex krimi;
        QTRY_VERIFY_WITH_TIMEOUT(
            (krimi = schedule->model()
                         ->match(schedule->model()->index(0, 0), Qt::DisplayRole,
                                 u"Zappomatic Krimi"_s, 1, Qt::MatchContains | Qt::MatchRecursive)
                         .value(0))
                .isValid(),
            10000);
        schedule->setCurrentIndex(krimi);
        click(u"cmd_record_programme"_s);

        // VDR's own times, with two minutes before and ten after; the window's in its own zone.
        const QTimeZone recorderZone(-3 * 3600);
        const auto recorder = [&](qint64 at) {
            return QDateTime::fromSecsSinceEpoch(at, recorderZone);
        };
        const QString settings = u"1:1:%1:%2:50:99:Zappomatic Krimi:"_s.arg(
            recorder(start - 120).toString(u"yyyy-MM-dd:HHmm"_s),
            recorder(start + 6000 + 600).toString(u"HHmm"_s));
        const auto timers = [] {
            return ask(u"LSTT"_s).filter(QRegularExpression(u"^\\d+ \\d+:"_s));
        };
        QTRY_COMPARE(timers(), QStringList {u"1 "_s + settings});
        const auto local = [](qint64 at) {
            return QDateTime::fromSecsSinceEpoch(at).toString(u"HH:mm"_s);
        };
        QTRY_COMPARE(
            answer(),
            u"Timer 1 set: Zappomatic Krimi, %1 %2\u2013%3"_s.arg(
                QLocale().toString(QDateTime::fromSecsSinceEpoch(start - 120).date(), u"ddd"_s),
                local(start - 120), local(start + 6600)));
        click(u"cmd_record_programme"_s);
        QTRY_COMPARE(answer(), u"A timer is already set for Zappomatic Krimi"_s);
        QCOMPARE(timers().size(), 1);

        m_window->findChild<QTabWidget *>(u"tab_lists"_s)->setCurrentIndex(1);
        auto *list = m_window->findChild<QTreeView *>(u"lst_timers"_s);
        QTRY_COMPARE(list->model()->rowCount(), 1);
        list->setCurrentIndex(list->model()->index(0, 0));
        click(u"cmd_toggle_timer"_s);
        QTRY_COMPARE(timers(), QStringList {u"1 0"_s + settings.sliced(1)});
        QTRY_COMPARE(answer(), u"Timer 1 off"_s);

        // The confirmation names the timer; only Yes deletes it.
        QString asked;
        for (const auto button : {QMessageBox::No, QMessageBox::Yes}) {
            QTimer::singleShot(0, this, [&asked, button] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                asked = box->text();
                box->button(button)->click();
            });
            click(u"cmd_delete_timer"_s);
            QVERIFY2(asked.contains(u"Zappomatic Krimi"_s), qPrintable(asked));
            if (button == QMessageBox::No)
                QCOMPARE(timers().size(), 1);
        }
        QTRY_COMPARE(ask(u"LSTT"_s).value(1), u"No timers defined"_s);
        QTRY_COMPARE(answer(), u"Timer \"1\" deleted"_s);
    }

    // A VDR that hangs is given up once a press gets no answer, though its port stays open; one
    // that ends closes the connection.
    void hungOrEndingRecorderIsNoticed()
    {
        open(1);
        // Should this fail, run_vdr.sh continues the VDR before it ends it.
        QVERIFY(::kill(vdrPid, SIGSTOP) == 0);
        click(u"cmd_menu"_s);
        QTRY_COMPARE_WITH_TIMEOUT(status(), u"Not connected (no reply)"_s, 15000);
        QVERIFY(::kill(vdrPid, SIGCONT) == 0);
        QVERIFY2(!QTest::qWaitFor([] { return ::kill(vdrPid, 0) != 0; }, 1000),
                 "the VDR ended after it was continued; run_vdr.sh shows its log");
        open(1);
        QVERIFY(::kill(vdrPid, SIGTERM) == 0);
        QTRY_COMPARE_WITH_TIMEOUT(status(), u"Not connected (closed by recorder)"_s, 10000);
    }
};

QTEST_MAIN(tst_vdr)
#include "tst_vdr.moc"
