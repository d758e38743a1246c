// SPDX-License-Identifier: GPL-2.0-or-later
// The channel panel with a long list: a press behind the programmes the rows in view ask for,
// and a keystroke in the filter box.
#include "bench_guide.h"

#include "frm_main.h"
#include "resident_memory.h"
#include "thread_recorder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int slowPresses = 100;
constexpr int keyRounds = 3;
// Texts that keep many rows, a few or none, by number, name, short name, provider and title.
constexpr const char *filterTexts[]
    = {"channel 4711", "provider 2", "ch49", "news", "2500", "film on", "xyz"};

double millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs the event loop until done() holds, at most timeout. Unlike QTest::qWaitFor it never
// sleeps between passes: what it waits for is handled the moment it comes. With spin, it does
// not even wait for an event, for a condition another thread makes true.
template<typename Done>
bool waitUntil(Done done, std::chrono::milliseconds timeout, bool spin = false)
{
    QTimer bound; // wakes a waiting loop at the deadline
    bound.setSingleShot(true);
    bound.start(timeout);
    while (!done() && bound.isActive())
        QCoreApplication::processEvents(spin ? QEventLoop::AllEvents
                                             : QEventLoop::WaitForMoreEvents);
    return done();
}

// Counts the paints of a widget.
class Paints : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

// The handset window connected to the recorder listing that many channels, with word of the
// last press's answer.
struct ListedWindow
{
    frm_main window;
    int connection = 0;
    bool listed = false;
    bool answered = false;
    Clock::time_point answeredAt;

    ListedWindow(ThreadRecorder &recorder, int channels)
    {
        recorder.setChannels(channels);
        window.show();
        connection = recorder.connectionCount();
        QObject::connect(&window.guide(), &RecorderGuide::listChanged, &window, [this, channels] {
            listed = window.guide().channels()->channelCount() == channels;
        });
        QObject::connect(&window.link(), &RecorderLink::answered, &window,
                         [this](bool switching, int code, const QString &) {
                             answeredAt = Clock::now();
                             answered = !switching && code == 250;
                         });
        window.findChild<QLineEdit *>(u"txt_ip"_s)->setText(u"127.0.0.1"_s);
        window.findChild<QLineEdit *>(u"txt_port"_s)->setText(QString::number(recorder.port()));
        window.cmd_connect_Click();
    }
    // Whether the list came within a while.
    bool wait()
    {
        return QTest::qWaitForWindowExposed(&window, 5000)
            && waitUntil([this] { return listed; }, 20s);
    }
};

} // namespace

PanelFigures measurePanel(ThreadRecorder &recorder, int channels, std::size_t slowRate)
{
    PanelFigures result;
    recorder.setBytesPerSecond(slowRate);
    ListedWindow listed(recorder, channels);
    frm_main &window = listed.window;
    const int connection = listed.connection;
    bool &answered = listed.answered;
    const Clock::time_point &answeredAt = listed.answeredAt;
    const auto fail = [&](const char *what) {
        result.error = what;
        recorder.setBytesPerSecond(0);
        recorder.setChannels(0);
        return result;
    };
    if (!listed.wait())
        return fail("the window did not list the channels");

    // Each press jumps the list to rows not seen yet; the press goes once the recorder has the
    // first of their programme questions, so that it waits behind them.
    auto *view = window.findChild<QTreeView *>(u"lst_channels"_s);
    auto *menu = window.findChild<QPushButton *>(u"cmd_menu"_s);
    QScrollBar *bar = view->verticalScrollBar();
    for (int i = 1; i <= slowPresses; ++i) {
        const std::size_t lines = recorder.lineCount(connection);
        bar->setValue(int(qint64(bar->maximum()) * i / (slowPresses + 1)));
        if (!waitUntil([&] { return recorder.lineCount(connection) > lines; }, 5s, true))
            return fail("the rows in view asked for no programmes");
        answered = false;
        const Clock::time_point pressed = Clock::now();
        QTest::mouseClick(menu, Qt::LeftButton);
        if (!waitUntil([&] { return answered; }, 5s))
            return fail("a press had no answer within 5 s");
        result.pressMs.push_back(millis(answeredAt - pressed));
        const std::string received = recorder.received(connection);
        const std::size_t line = std::size_t(std::count(
            received.begin(), received.begin() + std::ptrdiff_t(received.rfind("hitk")), '\n'));
        result.bytesAhead.push_back(recorder.queuedAhead(connection, line));
    }

    // Each keystroke is timed to the list's next paint, with the programmes of the rows it
    // brings into view coming in as fast as the recorder writes them.
    recorder.setBytesPerSecond(0);
    bar->setValue(0);
    auto *filter = window.findChild<QLineEdit *>(u"txt_filter"_s);
    filter->setFocus();
    Paints paints;
    view->viewport()->installEventFilter(&paints);
    const std::size_t hitsBefore = recorder.received(connection).size();
    const auto key = [&](auto click) -> bool {
        const int before = paints.count;
        const Clock::time_point start = Clock::now();
        click();
        if (!waitUntil([&] { return paints.count > before; }, 2s))
            return false;
        result.keystrokeMs.push_back(millis(Clock::now() - start));
        return true;
    };
    for (int round = 0; round <= keyRounds; ++round) { // round 0 warms up
        const std::size_t warmUp = result.keystrokeMs.size();
        for (const char *text : filterTexts) {
            for (const char *c = text; *c; ++c)
                if (!key([&] { QTest::keyClick(filter, *c); }))
                    return fail("a keystroke in the filter box left the list unpainted");
            if (filter->text() != QLatin1StringView(text))
                return fail("the filter box does not hold the text typed");
            for (const char *c = text; *c; ++c)
                if (!key([&] { QTest::keyClick(filter, Qt::Key_Backspace); }))
                    return fail("a keystroke in the filter box left the list unpainted");
        }
        if (round == 0)
            result.keystrokeMs.resize(warmUp);
    }
    if (recorder.received(connection).find("hitk", hitsBefore) != std::string::npos)
        return fail("a key typed in the filter box went to the recorder");
    recorder.setChannels(0);
    return result;
}

ScheduleFigures measureSchedule(ThreadRecorder &recorder, int channels, std::size_t rate)
{
    ScheduleFigures result;
    ListedWindow listed(recorder, channels);
    frm_main &window = listed.window;
    const int connection = listed.connection;
    bool &answered = listed.answered;
    const Clock::time_point &answeredAt = listed.answeredAt;
    const auto fail = [&](const char *what) {
        result.error = what;
        recorder.setBytesPerSecond(0);
        recorder.setChannels(0);
        return result;
    };
    if (!listed.wait())
        return fail("the window did not list the channels");
    // What the rows in view asked first is answered before the schedule is measured.
    if (!waitUntil([&] { return window.guide().window()->used() == 0; }, 10s))
        return fail("the rows in view were never answered");
    recorder.setBytesPerSecond(rate);
    const double before = residentMiB(::getpid()).value_or(0);

    // The user picks channel 1 and scrolls down the schedule as fast as it comes.
    auto *channelList = window.findChild<QTreeView *>(u"lst_channels"_s);
    QTreeView *schedule = nullptr;
    for (QTreeView *view : window.findChildren<QTreeView *>())
        if (view->accessibleName() == u"Programme schedule"_s)
            schedule = view;
    if (!schedule)
        return fail("the window has no programme schedule");
    ScheduleWalk *walk = window.guide().schedule();
    auto *menu = window.findChild<QPushButton *>(u"cmd_menu"_s);
    const Clock::time_point asked = Clock::now();
    channelList->setCurrentIndex(window.guide().channels()->indexOf(1));
    QScrollBar *bar = schedule->verticalScrollBar();
    while (!walk->isDone() || walk->model()->channel() != 1) {
        const std::size_t lines = recorder.lineCount(connection);
        bar->setValue(bar->maximum());
        if (!waitUntil([&] { return recorder.lineCount(connection) > lines || walk->isDone(); }, 5s,
                       true))
            return fail("the schedule asked for nothing more before its end");
        if (walk->isDone())
            break;
        answered = false;
        const Clock::time_point pressed = Clock::now();
        QTest::mouseClick(menu, Qt::LeftButton);
        if (!waitUntil([&] { return answered; }, 5s))
            return fail("a press had no answer within 5 s");
        result.pressMs.push_back(millis(answeredAt - pressed));
    }
    result.programmes = walk->model()->programmeCount();
    result.walkMs = millis(Clock::now() - asked);
    result.addedMiB = residentMiB(::getpid()).value_or(0) - before;
    recorder.setBytesPerSecond(0);
    recorder.setChannels(0);
    if (result.programmes != ThreadRecorder::schedulePerChannel)
        return fail("the schedule did not list every programme");
    return result;
}
