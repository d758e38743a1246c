// The window as the user first sees it, and the remote-control group's enabling.
#include "frm_main.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList remoteGroup = {
    u"frm_controls"_s, u"cmd_up"_s,      u"cmd_down"_s,    u"cmd_left"_s,     u"cmd_right"_s,
    u"cmd_red"_s,      u"cmd_yellow"_s,  u"cmd_green"_s,   u"cmd_blue"_s,     u"cmd_menu"_s,
    u"cmd_ok"_s,       u"cmd_back"_s,    u"cmd_volplus"_s, u"cmd_volminus"_s, u"cmd_mute"_s,
    u"cmd_chplus"_s,   u"cmd_chminus"_s, u"cmd_sendmsg"_s, u"cmd_goch"_s,     u"txt_chan"_s,
    u"txt_msg"_s,
};

// A widget's name as the user's table knows it: the digit keys by their index.
QString tableName(const QWidget *widget)
{
    const QVariant index = widget->property("index");
    return index.isValid() ? widget->objectName() + u'(' + index.toString() + u')'
                           : widget->objectName();
}

QStringList enabledWidgets(const QWidget &window)
{
    QStringList names;
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        if (!widget->objectName().isEmpty() && widget->isEnabledTo(&window))
            names << tableName(widget);
    }
    names.sort();
    return names;
}

QStringList tabCycle(int presses)
{
    QStringList visited;
    for (int i = 0; i < presses; ++i) {
        visited << tableName(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return visited;
}

} // namespace

class tst_window : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void opensDisconnected();
    void hasFixedCentredClientArea();
    void keypadIsTelephoneLayout();
    void tabCyclesConnectionPanelOnly();
    void tabReachesGroupWhenEnabled();
    void setControlsTogglesExactlyTheGroup();
    void repeatedEnablingLeavesTypingAlone();

private:
    std::unique_ptr<frm_main> window;
    // The window reads zappomatic.ini from here: an empty folder, so defaults apply.
    QTemporaryDir settingsFolder;
};

void tst_window::init()
{
    window = std::make_unique<frm_main>(settingsFolder.path());
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

void tst_window::cleanup()
{
    window.reset();
}

void tst_window::opensDisconnected()
{
    QStringList expected;
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->objectName().isEmpty() && !remoteGroup.contains(widget->objectName())
            && widget->objectName() != "cmd_number"_L1)
            expected << tableName(widget);
    }
    expected.sort();
    QCOMPARE(enabledWidgets(*window), expected);
    QVERIFY(expected.contains(u"Frame1"_s));
    QVERIFY(expected.contains(u"frm_info"_s));
    QVERIFY(expected.contains(u"txt_ip"_s));

    QCOMPARE(window->findChild<QLabel *>(u"lbl_info"_s)->text(), QString());
    QCOMPARE(window->findChild<QLineEdit *>(u"txt_ip"_s)->text(), u"localhost"_s);
    QCOMPARE(window->findChild<QLineEdit *>(u"txt_port"_s)->text(), u"2001"_s);
    QVERIFY(!window->link().isPolling());
    QVERIFY(!window->link().isConnected());
    QCOMPARE(QApplication::focusWidget()->objectName(), u"txt_ip"_s);
    QVERIFY(window->menuBar()->isEnabled());
}

void tst_window::hasFixedCentredClientArea()
{
    QCOMPARE(window->windowTitle(), u"Zappomatic"_s);
    QCOMPARE(window->centralWidget()->size(), QSize(764, 228));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    const QRect screen = window->screen()->availableGeometry();
    // Centred up to the few pixels of window frame the platform adds.
    const QPoint offCentre = window->geometry().center() - screen.center();
    QVERIFY2(qAbs(offCentre.x()) <= 3 && qAbs(offCentre.y()) <= 3, "the window opens centred");
}

void tst_window::keypadIsTelephoneLayout()
{
    // Digits by row and column of the pad; 0 sits alone under 8.
    QMap<int, QPoint> cell;
    for (const QPushButton *key : window->findChildren<QPushButton *>(u"cmd_number"_s)) {
        QCOMPARE(key->text(), key->property("index").toString());
        cell[key->property("index").toInt()] = key->geometry().topLeft();
    }
    QCOMPARE(cell.size(), 10);
    for (int digit = 1; digit <= 9; ++digit) {
        QCOMPARE(cell[digit].y(), cell[1 + (digit - 1) / 3 * 3].y());
        QCOMPARE(cell[digit].x(), cell[1 + (digit - 1) % 3].x());
    }
    QCOMPARE(cell[0].x(), cell[8].x());
    QVERIFY(cell[0].y() > cell[8].y());
}

void tst_window::tabCyclesConnectionPanelOnly()
{
    QCOMPARE(tabCycle(5),
             QStringList(
                 {u"txt_ip"_s, u"txt_port"_s, u"cmd_connect"_s, u"cmd_disconnect"_s, u"txt_ip"_s}));
}

void tst_window::tabReachesGroupWhenEnabled()
{
    window->SetControls(true);
    const QStringList expected = {
        u"txt_ip"_s,        u"txt_port"_s,      u"cmd_connect"_s,   u"cmd_disconnect"_s,
        u"cmd_up"_s,        u"cmd_down"_s,      u"cmd_left"_s,      u"cmd_right"_s,
        u"cmd_red"_s,       u"cmd_yellow"_s,    u"cmd_green"_s,     u"cmd_blue"_s,
        u"cmd_chplus"_s,    u"cmd_chminus"_s,   u"cmd_volplus"_s,   u"cmd_volminus"_s,
        u"cmd_mute"_s,      u"cmd_menu"_s,      u"cmd_ok"_s,        u"cmd_back"_s,
        u"txt_msg"_s,       u"cmd_sendmsg"_s,   u"txt_chan"_s,      u"cmd_goch"_s,
        u"cmd_number(1)"_s, u"cmd_number(2)"_s, u"cmd_number(3)"_s, u"cmd_number(4)"_s,
        u"cmd_number(5)"_s, u"cmd_number(6)"_s, u"cmd_number(7)"_s, u"cmd_number(8)"_s,
        u"cmd_number(9)"_s, u"cmd_number(0)"_s, u"txt_ip"_s,
    };
    QCOMPARE(tabCycle(int(expected.size())), expected);
}

void tst_window::setControlsTogglesExactlyTheGroup()
{
    const QStringList disabled = enabledWidgets(*window);
    window->SetControls(true);
    QStringList group = remoteGroup;
    for (int digit = 0; digit <= 9; ++digit)
        group << u"cmd_number(%1)"_s.arg(digit);
    QCOMPARE(group.size(), 31);
    QStringList expected = disabled + group;
    expected.sort();
    QCOMPARE(enabledWidgets(*window), expected);

    window->SetControls(false);
    QCOMPARE(enabledWidgets(*window), disabled);
}

void tst_window::repeatedEnablingLeavesTypingAlone()
{
    window->SetControls(true);
    auto *chan = window->findChild<QLineEdit *>(u"txt_chan"_s);
    auto *msg = window->findChild<QLineEdit *>(u"txt_msg"_s);
    chan->setFocus();
    QTest::keyClicks(chan, u"12"_s);
    chan->setCursorPosition(1);
    window->SetControls(true);
    QCOMPARE(QApplication::focusWidget(), chan);
    QCOMPARE(chan->text(), u"312"_s);
    QCOMPARE(chan->cursorPosition(), 1);

    window->SetControls(false);
    QCOMPARE(chan->text(), u"312"_s);
    QCOMPARE(msg->text(), u"Hallo"_s);
}

QTEST_MAIN(tst_window)
#include "tst_window.moc"
