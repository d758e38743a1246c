// SPDX-License-Identifier: GPL-2.0-or-later
// The benchmark: measures the handset against a bare socket, a bare window and svdrpsend,
// all against the same recorder, and prints one table. Run it through scripts/bench.
#include "bench_guide.h"
#include "command_lines.h"
#include "frm_main.h"
#include "resident_memory.h"
#include "thread_recorder.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

extern char **environ;

namespace {

constexpr int presses = 10000; // per latency series and for the order test
constexpr int warmUpPresses = 200;
constexpr int svdrpsendRuns = 60;
constexpr int startRuns = 21;
constexpr auto idleSpan = 10s;
constexpr auto lineTimeout = 2s;
// The channel panel's rows: a list this long, listed this many times, and a slow link.
constexpr int listChannels = 5000;
constexpr int listRuns = 7;
constexpr std::size_t slowLink = 1000000; // bytes a second

double micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

struct Stats
{
    double median = NAN, p99 = NAN;
};

Stats stats(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    const auto p99 = std::size_t(std::ceil(0.99 * double(n))) - 1;
    return {median, values[p99]};
}

std::string format(const char *pattern, auto... values)
{
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

// A child process with a bounded life: every wait has a deadline, and one that runs past
// it is killed by its pid.
struct Child
{
    pid_t pid = -1;
    int out = -1; // its standard output, when captured
    int pidfd = -1; // readable once it has ended
    Clock::time_point started;
};

Child spawn(const std::vector<std::string> &arguments, bool captureOutput)
{
    Child child;
    int pipeFds[2] = {-1, -1};
    if (captureOutput && ::pipe2(pipeFds, O_CLOEXEC) != 0)
        return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (captureOutput)
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // Offscreen Qt warns about things a window on a screen would do; not our business here.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    child.started = Clock::now();
    if (posix_spawnp(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (captureOutput) {
        ::close(pipeFds[1]);
        child.out = pipeFds[0];
    }
    if (child.pid > 0)
        child.pidfd = int(::syscall(SYS_pidfd_open, child.pid, 0));
    return child;
}

// One line of the child's output, without its newline; empty at end of file or deadline.
std::string readLine(const Child &child, Clock::time_point deadline)
{
    std::string line;
    for (char c; Clock::now() < deadline;) {
        pollfd fd {child.out, POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (::poll(&fd, 1, int(std::max<long long>(left.count(), 0))) <= 0)
            break;
        if (::read(child.out, &c, 1) != 1 || c == '\n')
            break;
        line += c;
    }
    return line;
}

struct Ended
{
    bool clean = false; // exited by itself with status 0
    Clock::time_point at;
    rusage usage {};
};

Ended reap(Child &child, Clock::duration timeout)
{
    Ended ended;
    if (child.pid <= 0)
        return ended;
    pollfd fd {child.pidfd, POLLIN, 0};
    const bool exited
        = ::poll(&fd, 1, int(std::chrono::ceil<std::chrono::milliseconds>(timeout).count())) == 1;
    ended.at = Clock::now();
    if (!exited)
        ::kill(child.pid, SIGKILL);
    int status = 0;
    ::wait4(child.pid, &status, 0, &ended.usage);
    ended.clean = exited && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    for (int *fdp : {&child.out, &child.pidfd})
        if (*fdp >= 0)
            ::close(std::exchange(*fdp, -1));
    child.pid = -1;
    return ended;
}

double monotonicNs(Clock::time_point t)
{
    return double(
        std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count());
}

struct StartUp
{
    Stats shownMs, exitMs, rssMiB;
    int failed = 0;
};

// Process start (just before posix_spawn) to the window's first paint, as the child reports
// it on the same monotonic clock; also to its exit, and its peak resident memory up to that
// paint, as it reads it there. The two programs take turns, so that load from elsewhere on the
// machine falls on both alike.
std::array<StartUp, 2> measureStartUps(const std::array<std::string, 2> &programs)
{
    std::array<StartUp, 2> results;
    std::array<std::vector<double>, 2> shown, exited, rss;
    for (int run = 0; run <= startRuns; ++run) { // run 0 warms the page cache
        for (std::size_t p = 0; p < programs.size(); ++p) {
            Child child = spawn({programs[p]}, true);
            const std::string line = readLine(child, Clock::now() + 20s);
            const Ended ended = reap(child, 20s);
            long long shownNs = 0;
            long peakKiB = 0;
            if (!ended.clean || std::sscanf(line.c_str(), "%lld %ld", &shownNs, &peakKiB) != 2
                || peakKiB <= 0) {
                ++results[p].failed;
                continue;
            }
            if (run == 0)
                continue;
            shown[p].push_back((double(shownNs) - monotonicNs(child.started)) / 1e6);
            exited[p].push_back(micros(ended.at - child.started) / 1e3);
            rss[p].push_back(double(peakKiB) / 1024);
        }
    }
    for (std::size_t p = 0; p < programs.size(); ++p)
        results[p] = {stats(shown[p]), stats(exited[p]), stats(rss[p]), results[p].failed};
    return results;
}

// CPU time of the connected, idle window process over idleSpan, as percent of one core.
std::optional<double> measureIdle(const std::string &program, std::uint16_t port)
{
    Child child = spawn({program, "--idle", std::to_string(port)}, true);
    std::optional<double> percent;
    clockid_t cpuClock;
    if (readLine(child, Clock::now() + 10s) == "connected"
        && clock_getcpuclockid(child.pid, &cpuClock) == 0) {
        const auto cpuNow = [cpuClock] {
            timespec t {};
            clock_gettime(cpuClock, &t);
            return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
        };
        const double cpuStart = cpuNow();
        const Clock::time_point start = Clock::now();
        // The child prints nothing more, so this returns at the deadline, or early if it died.
        readLine(child, start + idleSpan);
        const Clock::duration span = Clock::now() - start;
        if (span >= idleSpan)
            percent = (cpuNow() - cpuStart) / double(std::chrono::nanoseconds(span).count()) * 100;
    }
    if (child.pid > 0)
        ::kill(child.pid, SIGTERM);
    reap(child, 5s);
    return percent;
}

struct Presses
{
    // Press-to-wire in µs: the bare socket, a plain button in a bare window writing to that
    // socket, and the handset's Menu click (press and release), its release alone, digit keys.
    std::vector<double> socket, plainButton, click, release, key;
    bool keysWired = false;
    std::string error;
    // The order test
    int burstLines = 0;
    bool burstExact = false;
    double burstMs = NAN;
};

// Each press waits for its line at the recorder before the next one, and starts with the
// event loop drained, like a person's press arriving at an idle window. The series are
// interleaved so that load from elsewhere on the machine falls on all of them alike.
Presses measurePresses(ThreadRecorder &recorder)
{
    Presses result;
    const QByteArray menuLine = "hitk menu\r\n"_ba;

    QTcpSocket bare;
    QObject::connect(&bare, &QTcpSocket::readyRead, &bare, [&bare] { bare.readAll(); });
    const int bareConnection = recorder.connectionCount();
    bare.connectToHost(u"127.0.0.1"_s, recorder.port());
    if (!bare.waitForConnected(5000)
        || !QTest::qWaitFor([&] { return recorder.connectionCount() > bareConnection; }, 5000)) {
        result.error = "the bare socket did not connect";
        return result;
    }
    QWidget plain;
    auto *plainButton = new QPushButton(u"Menu"_s, &plain);
    plainButton->setGeometry(8, 8, 65, 25);
    QObject::connect(plainButton, &QPushButton::clicked, &bare, [&] {
        bare.write(menuLine);
        bare.flush();
    });
    plain.show();

    frm_main window;
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowExposed(&plain, 5000)
        || !QTest::qWaitForWindowExposed(&window, 5000)) {
        result.error = "the windows were not exposed";
        return result;
    }
    if (!QTest::qWaitForWindowActive(&window, 5000))
        std::fprintf(stderr, "presses: the window is not active; keys go to it directly\n");

    const int appConnection = recorder.connectionCount();
    window.findChild<QLineEdit *>(u"txt_ip"_s)->setText(u"127.0.0.1"_s);
    window.findChild<QLineEdit *>(u"txt_port"_s)->setText(QString::number(recorder.port()));
    window.cmd_connect_Click();
    const QLabel *info = window.findChild<QLabel *>(u"lbl_info"_s);
    if (!QTest::qWaitFor([&] { return info->text().startsWith("Connected to "_L1); }, 5000)
        || recorder.connectionCount() != appConnection + 1) {
        result.error = "the window did not connect";
        return result;
    }

    auto *menu = window.findChild<QPushButton *>(u"cmd_menu"_s);
    std::array<QPushButton *, 10> digits {};
    for (QPushButton *button : window.findChildren<QPushButton *>(u"cmd_number"_s))
        digits.at(button->property("index").toUInt()) = button;
    menu->setFocus();

    // Once up, the window asks by itself for the volume, the current channel, the channel list,
    // the timers and, once it has the channel, its programmes and its schedule, which this
    // recorder has none of. A PING sent after those comes back after all their replies, so the
    // presses start on a quiet connection.
    bool listed = false, quiet = false;
    QObject::connect(&window.guide(), &RecorderGuide::listChanged, &window,
                     [&listed] { listed = true; });
    if (!QTest::qWaitFor(
            [&] {
                return listed && window.guide().schedule()->isDone()
                    && recorder.received(appConnection).find("LSTE 1 next\r\n")
                    != std::string::npos;
            },
            10000)) {
        result.error = "the window did not ask the channel list and the programmes once up";
        return result;
    }
    window.link().request(Svdrp::pingLine(), &window, [&quiet](const Reply &) { quiet = true; });
    if (!QTest::qWaitFor([&] { return quiet; }, 5000)) {
        result.error = "the window had no answer to a PING";
        return result;
    }
    // A burst of digits asks the channel a second after its last key: kept out of the presses.
    window.guide().setClocks(24h, 24h);
    std::size_t appLines = recorder.lineCount(appConnection), bareLines = 0;
    std::string expected = recorder.received(appConnection);
    const auto press
        = [&](int connection, std::size_t &lines, auto &&action) -> std::optional<double> {
        QCoreApplication::processEvents();
        if (!recorder.arm(1s))
            return std::nullopt;
        const Clock::time_point pressed = Clock::now();
        action();
        if (!recorder.waitForLines(connection, lines + 1, lineTimeout))
            return std::nullopt;
        return micros(recorder.arrival(connection, lines++) - pressed);
    };
    const auto keyPress = [&window](int digit) {
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &window, Qt::Key(Qt::Key_0 + digit));
    };

    // The keyboard shortcuts may not be there yet: one digit key tells.
    result.keysWired = press(appConnection, appLines, [&] { keyPress(5); }).has_value();
    if (result.keysWired)
        expected += "hitk 5\r\n";

    for (int i = 0; i < warmUpPresses + presses; ++i) {
        const auto socket = press(bareConnection, bareLines, [&] {
            bare.write(menuLine);
            bare.flush();
        });
        const auto plainClick = press(bareConnection, bareLines,
                                      [&] { QTest::mouseClick(plainButton, Qt::LeftButton); });
        const auto click
            = press(appConnection, appLines, [&] { QTest::mouseClick(menu, Qt::LeftButton); });
        QTest::mousePress(menu, Qt::LeftButton);
        const auto release
            = press(appConnection, appLines, [&] { QTest::mouseRelease(menu, Qt::LeftButton); });
        expected += menuLine.toStdString() + menuLine.toStdString();
        std::optional<double> key;
        if (result.keysWired) {
            key = press(appConnection, appLines, [&] { keyPress(i % 10); });
            expected += format("hitk %d\r\n", i % 10);
        }
        if (!socket || !plainClick || !click || !release || (result.keysWired && !key)) {
            result.error
                = format("press %d: no line within %lld s (socket %d, plain button %d, "
                         "click %d, release %d, key %d)",
                         i, (long long)std::chrono::seconds(lineTimeout).count(), bool(socket),
                         bool(plainClick), bool(click), bool(release), bool(key));
            return result;
        }
        if (i < warmUpPresses)
            continue;
        result.socket.push_back(*socket);
        result.plainButton.push_back(*plainClick);
        result.click.push_back(*click);
        result.release.push_back(*release);
        if (key)
            result.key.push_back(*key);
    }
    if (recorder.received(appConnection) != expected) {
        result.error = "the presses put other bytes on the wire than their lines";
        return result;
    }

    // Order and loss: every click queued at once, delivered as fast as the event loop goes.
    const std::size_t burstStart = expected.size();
    expected.clear();
    const Clock::time_point posted = Clock::now();
    for (int i = 0; i < presses; ++i) {
        QPushButton *button = digits.at(i % 10);
        const QPointF at = QRectF(button->rect()).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held
                = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
            QCoreApplication::postEvent(button,
                                        new QMouseEvent(type, at, button->mapToGlobal(at),
                                                        Qt::LeftButton, held, Qt::NoModifier));
        }
        expected += format("hitk %d\r\n", i % 10);
    }
    if (!QTest::qWaitFor([&] { return recorder.lineCount(appConnection) >= appLines + presses; },
                         60000))
        std::fprintf(stderr, "order: not every line arrived within 60 s\n");
    result.burstLines = int(recorder.lineCount(appConnection) - appLines);
    result.burstExact = recorder.received(appConnection).substr(burstStart) == expected;
    if (result.burstLines > 0)
        result.burstMs
            = micros(recorder.arrival(appConnection, appLines + std::size_t(result.burstLines) - 1)
                     - posted)
            / 1e3;
    return result;
}

struct Listing
{
    // From the recorder writing the last byte of its LSTC reply to the window painting the list.
    std::vector<double> shownMs;
    // Resident memory once the rows in view show their titles, and connected to a recorder
    // with no channels.
    std::vector<double> rssMiB, emptyRssMiB;
    int failed = 0;
};

// The handset window as its own process, connected to the recorder listing listChannels and to
// it listing none, by turns. The window reports the list painted on the same monotonic clock the
// recorder stamps its writes with.
Listing measureListing(const std::string &program, ThreadRecorder &recorder)
{
    Listing result;
    for (int run = 0; run <= listRuns; ++run) { // run 0 warms the page cache
        for (const int channels : {listChannels, 0}) {
            recorder.setChannels(channels);
            const int connection = recorder.connectionCount();
            Child child = spawn({program, "--list", std::to_string(recorder.port())}, true);
            const Clock::time_point deadline = Clock::now() + 20s;
            std::string listed = readLine(child, deadline);
            if (listed == "connected")
                listed = readLine(child, deadline);
            const bool titled = readLine(child, deadline) == "titles";
            const std::optional<double> rss = titled ? residentMiB(child.pid) : std::nullopt;
            if (child.pid > 0)
                ::kill(child.pid, SIGTERM);
            reap(child, 5s);
            const auto written = recorder.connectionCount() > connection
                ? recorder.written(connection, "LSTC :groups")
                : std::nullopt;
            long long shownNs = 0;
            int top = -1, count = -1;
            if (!rss || !written
                || std::sscanf(listed.c_str(), "listed %lld %d %d", &shownNs, &top, &count) != 3
                || top != (channels + 49) / 50 || count != channels) {
                ++result.failed;
                continue;
            }
            if (run == 0)
                continue;
            if (channels) {
                result.shownMs.push_back((double(shownNs) - monotonicNs(*written)) / 1e6);
                result.rssMiB.push_back(*rss);
            } else {
                result.emptyRssMiB.push_back(*rss);
            }
        }
    }
    recorder.setChannels(0);
    return result;
}

struct Svdrpsend
{
    std::vector<double> toWire, toExit;
    int failed = 0;
};

// svdrpsend as a user runs it: one process per command. Its figure is process start to the
// last byte of the command at the recorder, the same end point as a press; and to its exit.
Svdrpsend measureSvdrpsend(ThreadRecorder &recorder)
{
    Svdrpsend result;
    const std::string port = std::to_string(recorder.port());
    for (int run = 0; run < svdrpsendRuns + 3; ++run) { // three to warm up
        const int connection = recorder.connectionCount();
        if (!recorder.arm(1s)) {
            ++result.failed;
            continue;
        }
        Child child = spawn({"svdrpsend", "-d", "127.0.0.1", "-p", port, "hitk", "menu"}, false);
        const bool arrived = recorder.waitForLines(connection, 1, 15s);
        const Ended ended = reap(child, 15s);
        if (!arrived || !ended.clean || recorder.received(connection) != "hitk menu\r\nquit\r\n") {
            ++result.failed;
            continue;
        }
        if (run < 3)
            continue;
        result.toWire.push_back(micros(recorder.arrival(connection, 0) - child.started));
        result.toExit.push_back(micros(ended.at - child.started));
    }
    return result;
}

std::string loadAverage()
{
    std::string text;
    if (FILE *file = std::fopen("/proc/loadavg", "r")) {
        char buffer[64] = {};
        if (std::fgets(buffer, sizeof buffer, file))
            text = buffer;
        std::fclose(file);
    }
    return text.substr(0, text.find(' ', text.find(' ', text.find(' ') + 1) + 1));
}

const char *verdict(bool met)
{
    return met ? "**met**" : "**missed**";
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s HANDSET_WINDOW BARE_WINDOW\n", argv[0]);
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string loadBefore = loadAverage();

    std::fprintf(stderr, "start-up: %d starts of each window...\n", startRuns);
    const auto [handsetStart, bareStart] = measureStartUps({argv[1], argv[2]});

    // The one recorder for the window, the bare socket and svdrpsend alike.
    ThreadRecorder recorder;
    if (!recorder.listening()) {
        std::fprintf(stderr, "the recorder cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::fprintf(stderr, "idle: the connected window for %lld s...\n",
                 (long long)std::chrono::seconds(idleSpan).count());
    const std::optional<double> idle = measureIdle(argv[1], recorder.port());
    std::fprintf(stderr, "channel list: %d connections to %d channels and to none...\n", listRuns,
                 listChannels);
    const Listing listing = measureListing(argv[1], recorder);

    QApplication app(argc, argv);
    std::fprintf(stderr, "svdrpsend: %d commands...\n", svdrpsendRuns);
    const Svdrpsend peer = measureSvdrpsend(recorder);
    std::fprintf(stderr, "presses: %d of each kind, then %d queued at once...\n", presses, presses);
    const Presses pressed = measurePresses(recorder);
    if (!pressed.error.empty())
        std::fprintf(stderr, "presses: %s\n", pressed.error.c_str());
    std::fprintf(stderr, "channel panel: presses at %zu bytes/s, keystrokes in the filter...\n",
                 slowLink);
    const PanelFigures panel = measurePanel(recorder, listChannels, slowLink);
    if (!panel.error.empty())
        std::fprintf(stderr, "channel panel: %s\n", panel.error.c_str());

    std::fprintf(stderr, "schedule: %d programmes at %zu bytes/s, presses meanwhile...\n",
                 ThreadRecorder::schedulePerChannel, slowLink);
    const ScheduleFigures schedule = measureSchedule(recorder, 50, slowLink);
    if (!schedule.error.empty())
        std::fprintf(stderr, "schedule: %s\n", schedule.error.c_str());

    const Stats socket = stats(pressed.socket), click = stats(pressed.click);
    const Stats peerWire = stats(peer.toWire), peerExit = stats(peer.toExit);

    std::puts("| Measure | Zappomatic | Floor or alternative | Ratio | Target | Result |");
    std::puts("| --- | --- | --- | --- | --- | --- |");
    // A press against its floor: the bare socket, or for a click the plain button in a bare
    // window, which pays Qt's own cost of a click (the repaints on press and release) as well.
    const Stats plain = stats(pressed.plainButton);
    const auto latencyRow = [&](const char *what, const std::vector<double> &series,
                                const char *floorName, const Stats &floor, double target) {
        if (series.empty()) {
            std::printf("| %s | not measured | | | p99 within %.3gx | **not measured** |\n", what,
                        target);
            return;
        }
        const Stats ours = stats(series);
        std::printf("| %s, %zu presses | median %.1f µs, p99 %.1f µs | %s: median %.1f µs, p99 "
                    "%.1f µs | p99 %.2fx (median %.2fx) | %s | %s |\n",
                    what, series.size(), ours.median, ours.p99, floorName, floor.median, floor.p99,
                    ours.p99 / floor.p99, ours.median / floor.median,
                    target > 0 ? format("p99 within %.3gx", target).c_str() : "none, for reference",
                    target > 0 ? verdict(ours.p99 <= target * floor.p99) : "");
    };
    const char *bareSocket = "bare QTcpSocket write+flush";
    latencyRow("Press-to-wire, click on Menu (press and release)", pressed.click,
               "plain QPushButton in a bare window, same click", plain, 1.05);
    latencyRow("Press-to-wire, click on Menu, from its release", pressed.release, bareSocket,
               socket, 0);
    latencyRow(pressed.keysWired ? "Press-to-wire, digit key"
                                 : "Press-to-wire, digit key (no keyboard shortcuts yet)",
               pressed.key, bareSocket, socket, 1.3);
    latencyRow("A plain QPushButton in a bare window, click writing the same line to the bare "
               "socket",
               pressed.plainButton, bareSocket, socket, 0);
    std::printf("| Per command, %zu svdrpsend runs | click on Menu: median %.1f µs | svdrpsend "
                "start-to-wire median %.0f µs (start-to-exit %.0f µs)%s | svdrpsend/ours %.0fx | "
                "at least 20x | %s |\n",
                peer.toWire.size(), click.median, peerWire.median, peerExit.median,
                peer.failed ? format(", %d runs failed", peer.failed).c_str() : "",
                peerWire.median / click.median, verdict(peerWire.median >= 20 * click.median));
    std::printf("| Start-up to window shown, %d starts | median %.1f ms (to exit %.1f ms) | bare "
                "window of 62 plain buttons, 57 menu entries: median %.1f ms (to exit %.1f ms) | "
                "%.2fx (to exit "
                "%.2fx) | within 1.25x | %s |\n",
                startRuns, handsetStart.shownMs.median, handsetStart.exitMs.median,
                bareStart.shownMs.median, bareStart.exitMs.median,
                handsetStart.shownMs.median / bareStart.shownMs.median,
                handsetStart.exitMs.median / bareStart.exitMs.median,
                verdict(handsetStart.shownMs.median <= 1.25 * bareStart.shownMs.median
                        && !handsetStart.failed && !bareStart.failed));
    std::printf("| Peak resident memory to window shown | median %.1f MiB | bare window: median "
                "%.1f MiB | %.2fx | "
                "within 1.15x | %s |\n",
                handsetStart.rssMiB.median, bareStart.rssMiB.median,
                handsetStart.rssMiB.median / bareStart.rssMiB.median,
                verdict(handsetStart.rssMiB.median <= 1.15 * bareStart.rssMiB.median));
    if (idle)
        std::printf(
            "| Idle CPU, connected, %lld s | %.3f %% of one core | | | under 0.5 %% | %s |\n",
            (long long)std::chrono::seconds(idleSpan).count(), *idle, verdict(*idle < 0.5));
    else
        std::puts("| Idle CPU, connected | not measured: the window did not connect or ended "
                  "early | | | under 0.5 % | **not measured** |");
    std::printf("| Order and loss, %d clicks queued at once (digits 0-9) | %d of %d lines arrived, "
                "%s, all in %.0f ms | | | none lost, exact bytes | %s |\n",
                presses, pressed.burstLines, presses,
                pressed.burstExact ? "byte stream exact" : "byte stream differs", pressed.burstMs,
                verdict(pressed.burstLines == presses && pressed.burstExact));
    const auto worst = [](const std::vector<double> &values) {
        return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
    };
    const std::string listFailed
        = listing.failed ? format(", %d runs failed", listing.failed) : std::string();
    const Stats shown = stats(listing.shownMs);
    std::printf(
        "| Channel list shown, %d channels in %d groups, %zu connections | median %.1f ms, "
        "worst %.1f ms from the recorder writing the last byte of `LSTC :groups` to the "
        "list painted%s | | | within 150 ms | %s |\n",
        listChannels, (listChannels + 49) / 50, listing.shownMs.size(), shown.median,
        worst(listing.shownMs), listFailed.c_str(),
        verdict(!listing.shownMs.empty() && !listing.failed && worst(listing.shownMs) <= 150));
    const Stats keystroke = stats(panel.keystrokeMs);
    std::printf("| Filter keystroke to the list painted, %d channels, %zu keystrokes | median "
                "%.1f ms, p99 %.1f ms, worst %.1f ms | | | p99 within 16 ms | %s |\n",
                listChannels, panel.keystrokeMs.size(), keystroke.median, keystroke.p99,
                worst(panel.keystrokeMs),
                verdict(!panel.keystrokeMs.empty() && panel.error.empty() && keystroke.p99 <= 16));
    const Stats rss = stats(listing.rssMiB), emptyRss = stats(listing.emptyRssMiB);
    std::printf("| Resident memory, %d channels listed and the rows in view with their titles, "
                "%zu starts | median %.1f MiB%s | the same window connected to a recorder with no "
                "channels: median %.1f MiB | %+.1f MiB | at most 8 MiB more | %s |\n",
                listChannels, listing.rssMiB.size(), rss.median, listFailed.c_str(),
                emptyRss.median, rss.median - emptyRss.median,
                verdict(!listing.failed && rss.median - emptyRss.median <= 8));
    const Stats slowPress = stats(panel.pressMs);
    std::vector<double> ahead(panel.bytesAhead.begin(), panel.bytesAhead.end());
    std::printf(
        "| Press while the rows in view load their programmes at %.0f MB/s, %zu Menu "
        "clicks to their answers | median %.1f ms, p99 %.1f ms, worst %.1f ms; behind up "
        "to %.1f KiB of replies (median %.1f KiB) | | | all within 50 ms | %s |\n",
        double(slowLink) / 1e6, panel.pressMs.size(), slowPress.median, slowPress.p99,
        worst(panel.pressMs), worst(ahead) / 1024, stats(ahead).median / 1024,
        verdict(!panel.pressMs.empty() && panel.error.empty() && worst(panel.pressMs) <= 50));
    const Stats schedulePress = stats(schedule.pressMs);
    const bool scheduled = schedule.error.empty() && !schedule.pressMs.empty();
    std::printf("| Schedule of %d programmes walked to its end at %.0f MB/s, %zu Menu clicks "
                "meanwhile | listed in %.0f ms; clicks to their answers median %.1f ms, p99 "
                "%.1f ms | | | p99 within 50 ms | %s |\n",
                schedule.programmes, double(slowLink) / 1e6, schedule.pressMs.size(),
                schedule.walkMs, schedulePress.median, schedulePress.p99,
                verdict(scheduled && schedulePress.p99 <= 50));
    std::printf("| Resident memory with a week of schedule listed (%d programmes) | %+.1f MiB "
                "against the same window before | | | at most 4 MiB more | %s |\n",
                schedule.programmes, schedule.addedMiB,
                verdict(scheduled && schedule.addedMiB <= 4));
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    std::printf("\nLoad average (1, 5, 15 min) before: %s, after: %s; %ld cores.\n",
                loadBefore.c_str(), loadAverage().c_str(), cores);
    if (std::atof(loadBefore.c_str()) >= double(cores))
        std::puts("Other work kept every core busy: the p99 figures then show the scheduler's "
                  "time slices more than this program.");
    return pressed.error.empty() && panel.error.empty() && schedule.error.empty() ? 0 : 1;
}
