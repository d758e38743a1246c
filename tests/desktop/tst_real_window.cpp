// The built program as a user meets it: a real X window beside its zappomatic.ini, driven by
// real mouse clicks at the widgets' places and real key presses, ended with File > Exit.
#include "loopback_recorder.h"
#include "x_session.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int twipsPerPixel = 15;
constexpr QSize clientArea(11460 / twipsPerPixel, 3420 / twipsPerPixel);

// Where a user sees each widget, in twips as the layout is drawn: the corner of its frame
// (none for widgets directly on the client area), its own corner in that frame, its size.
struct Place
{
    QLatin1StringView name;
    int frameLeft, frameTop, left, top, width, height;
};
constexpr Place places[] = {
    {"cmd_connect"_L1, 120, 120, 120, 1320, 1455, 495},
    {"cmd_up"_L1, 3840, 120, 1320, 240, 855, 375},
    {"cmd_left"_L1, 3840, 120, 360, 480, 855, 375},
    {"cmd_blue"_L1, 3840, 120, 2640, 1440, 735, 375},
    {"lbl_info"_L1, 120, 2400, 120, 360, 3255, 255},
    {"cmd_chplus"_L1, 0, 0, 7560, 240, 615, 375},
    {"cmd_volminus"_L1, 0, 0, 8280, 720, 615, 375},
    {"cmd_mute"_L1, 0, 0, 8280, 1200, 615, 375},
    {"cmd_menu"_L1, 0, 0, 3840, 2280, 975, 375},
    {"cmd_ok"_L1, 0, 0, 4920, 2280, 855, 375},
    {"cmd_back"_L1, 0, 0, 5880, 2280, 855, 375},
    {"txt_msg"_L1, 0, 0, 3840, 2880, 2655, 285},
    {"cmd_sendmsg"_L1, 0, 0, 6600, 2880, 1095, 375},
    {"txt_chan"_L1, 0, 0, 8520, 1680, 375, 285},
    {"cmd_goch"_L1, 0, 0, 7560, 1680, 855, 375},
    {"cmd_number_5"_L1, 9120, 240, 720, 840, 495, 375},
    {"cmd_number_0"_L1, 9120, 240, 720, 1800, 495, 375},
};

} // namespace

class tst_real_window : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void drive_data();
    void drive();

private:
    // In pixels of the window, whose client area starts below the menu bar.
    QRect placeOf(QLatin1StringView name) const;
    bool perform(const QString &step);
    bool showsConnected(const QImage &window) const;

    XSession session;
    int menuBarHeight = 0;
    bool screenshotSaved = false;
};

void tst_real_window::initTestCase()
{
    ZAPPOMATIC_REQUIRE_TOOLS(XSession::tools);
    QVERIFY2(session.start(), "Xvfb tells its display number");
}

void tst_real_window::cleanup()
{
    session.stopProgram();
}

QRect tst_real_window::placeOf(QLatin1StringView name) const
{
    const auto place = std::find_if(std::begin(places), std::end(places),
                                    [&](const Place &place) { return place.name == name; });
    if (place == std::end(places))
        return {};
    return QRect((place->frameLeft + place->left) / twipsPerPixel,
                 menuBarHeight + (place->frameTop + place->top) / twipsPerPixel,
                 place->width / twipsPerPixel, place->height / twipsPerPixel);
}

bool tst_real_window::perform(const QString &step)
{
    const QString verb = step.section(u' ', 0, 0);
    const QString argument = step.section(u' ', 1);
    if (verb == "click"_L1) {
        const QRect place = placeOf(QLatin1StringView(argument.toLatin1()));
        return place.isValid() && session.click(session.window(), place.center());
    }
    if (verb == "key"_L1)
        return session.xdotool(QStringList {u"key"_s} + argument.split(u' '));
    if (verb == "type"_L1)
        return session.xdotool({u"type"_s, argument});
    return false;
}

// "Connected to 127.0.0.1 port N" fills most of the status line, "Not connected" less than
// half of it, and the line starts empty.
bool tst_real_window::showsConnected(const QImage &window) const
{
    const QRect line = placeOf("lbl_info"_L1);
    if (!window.rect().contains(line))
        return false;
    int rightmostInk = -1;
    for (int y = line.top(); y <= line.bottom(); ++y) {
        for (int x = line.left(); x <= line.right(); ++x) {
            if (qGray(window.pixel(x, y)) < 128)
                rightmostInk = std::max(rightmostInk, x);
        }
    }
    return rightmostInk > line.center().x();
}

void tst_real_window::drive_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("buttons clicked with the mouse")
        << u"us"_s
        << QStringList {u"click cmd_menu"_s,     u"click cmd_up"_s,     u"click cmd_left"_s,
                        u"click cmd_ok"_s,       u"click cmd_blue"_s,   u"click cmd_number_5"_s,
                        u"click cmd_number_0"_s, u"click cmd_chplus"_s, u"click cmd_volminus"_s,
                        u"click cmd_mute"_s,     u"click cmd_goch"_s,   u"click cmd_sendmsg"_s,
                        u"click cmd_back"_s}
        << QByteArray("hitk menu\r\nhitk up\r\nhitk left\r\nhitk ok\r\nhitk blue\r\nhitk 5\r\n"
                      "hitk 0\r\nchan +\r\nhitk volume-\r\nhitk mute\r\nchan 3\r\nmesg Hallo\r\n"
                      "hitk back\r\n");
    // The keypad's 5 and F5 run no shortcut.
    QTest::newRow("keys pressed, with and without Shift")
        << u"us"_s
        << QStringList {u"key shift+7 KP_Subtract Menu Return F1 Down BackSpace KP_5 F5"_s}
        << QByteArray("hitk 7\r\nhitk menu\r\nhitk menu\r\nhitk ok\r\nhitk red\r\nhitk down\r\n"
                      "hitk back\r\n");
    // Digits typed into a box are shortcuts too, and the box still gets them. The umlauts are
    // typed on a German keyboard: xdotool maps a character missing from the layout to a spare
    // key for a moment only, and a busy program reads the key after the mapping is gone.
    QTest::newRow("typing into the channel and message boxes")
        << u"de"_s
        << QStringList {u"click txt_chan"_s,
                        u"key ctrl+a"_s,
                        u"type 12"_s,
                        u"click cmd_goch"_s,
                        u"click txt_msg"_s,
                        u"key ctrl+a"_s,
                        u"type Grüße aus Zappomatic"_s,
                        u"click cmd_sendmsg"_s}
        << QByteArray("hitk 1\r\nhitk 2\r\nchan 12\r\nmesg Grüße aus Zappomatic\r\n");
}

void tst_real_window::drive()
{
    QFETCH(QString, layout);
    QFETCH(QStringList, steps);
    QFETCH(QByteArray, wire);

    LoopbackRecorder recorder;
    QVERIFY(recorder.listen());
    ProgramCopy copy;
    QVERIFY(copy.make(QStringLiteral(ZAPPOMATIC_PATH), ProgramCopy::settingsFor(recorder.port())));
    QVERIFY(session.setLayout(layout));
    QVERIFY2(session.startProgram(copy.programPath()), "the program's window appears");
    const QSize window = session.size(session.window());
    QCOMPARE(window.width(), clientArea.width());
    menuBarHeight = window.height() - clientArea.height();
    QVERIFY2(menuBarHeight > 0, "a menu bar above the client area");

    QVERIFY(perform(u"click cmd_connect"_s));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.connectionCount(), 1, XSession::waitMs);
    // Until the status line tells of the connection the handset's buttons are disabled.
    QImage shot;
    QVERIFY2(
        QTest::qWaitFor([&] { return showsConnected(shot = session.grab()); }, XSession::waitMs),
        "the status line shows the connection");
    if (!screenshotSaved) {
        QVERIFY(shot.save(QStringLiteral(SCREENSHOT_PATH)));
        qInfo("The connected window: %s", SCREENSHOT_PATH);
        screenshotSaved = true;
    }

    for (const QString &step : std::as_const(steps))
        QVERIFY2(perform(step), qPrintable(step));

    // File > Exit with the mouse. The menu opens as a window of its own around its one item.
    QVERIFY(session.click(session.window(), {16, menuBarHeight / 2}));
    QString menu;
    QTRY_VERIFY_WITH_TIMEOUT(!(menu = session.otherWindow()).isEmpty(), XSession::waitMs);
    QVERIFY(session.click(menu, QRect(QPoint(), session.size(menu)).center()));
    QProcess &program = session.program();
    QVERIFY2(program.waitForFinished(XSession::waitMs), "File > Exit ends the program");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    // The program's end closes the connection after everything it sent.
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.isOpen(0), XSession::waitMs);
    QCOMPARE(recorder.connectionCount(), 1);
    QCOMPARE(recorder.received(0), wire);
}

QTEST_GUILESS_MAIN(tst_real_window)
#include "tst_real_window.moc"
