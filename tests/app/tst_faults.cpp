// Faults from outside the program: a recorder that stops reading or resets the connection, a
// host name that never resolves, and settings files that cannot be read as one. The window
// must stay responsive and end up where the status rules put it.
#include "frm_main.h"
#include "handset_harness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <semaphore>
#include <thread>

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <netdb.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Long enough for a couple of polls on a loaded machine.
constexpr int pollWaitMs = 3000;
// A stall this long would hold up a status poll.
constexpr qint64 longestTolerableStallMs = 500;

// A host whose lookup hangs like a resolver waiting for a server that never answers.
constexpr char slowHost[] = "slow-resolver.zappomatic.invalid";
std::atomic<int> slowLookups = 0;
std::counting_semaphore<> slowLookupsReleased(0);

// Counts how long the event loop went without running a 10 ms timer.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setInterval(10ms);
        connect(&m_timer, &QTimer::timeout, this,
                [this] { longest = std::max(longest, m_gap.restart()); });
        m_timer.start();
        m_gap.start();
    }
    qint64 longest = 0;

private:
    QTimer m_timer;
    QElapsedTimer m_gap;
};

// Root reads any file whatever its mode, through two capabilities. Without them in this thread,
// root meets the permission bits like any other user.
class WithoutReadOverride
{
public:
    WithoutReadOverride()
    {
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &m_header, reduced);
    }
    ~WithoutReadOverride() { syscall(SYS_capset, &m_header, m_saved); }
    WithoutReadOverride(const WithoutReadOverride &) = delete;
    WithoutReadOverride &operator=(const WithoutReadOverride &) = delete;

private:
    __user_cap_header_struct m_header {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] {};
};

enum class SettingsFault { Huge, Folder, Unreadable, Pipe };

} // namespace

// Qt resolves host names through getaddrinfo; this one comes first, so the slow host can be
// made slow without a network. Every other name goes to the system's resolver.
extern "C" int getaddrinfo(const char *node, const char *service, const addrinfo *hints,
                           addrinfo **result)
{
    if (node && std::strcmp(node, slowHost) == 0) {
        ++slowLookups;
        slowLookupsReleased.try_acquire_for(60s);
        return EAI_AGAIN;
    }
    using Resolver = int (*)(const char *, const char *, const addrinfo *, addrinfo **);
    static const auto next = reinterpret_cast<Resolver>(dlsym(RTLD_NEXT, "getaddrinfo"));
    return next(node, service, hints, result);
}

class tst_faults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void recorderThatNeverReads();
    void resetWhilePressing();
    void hostThatDoesNotResolve_data();
    void hostThatDoesNotResolve();
    void unusableSettingsFile_data();
    void unusableSettingsFile();

private:
    void press(const QString &name) { QTest::mouseClick(h->button(name), Qt::LeftButton); }
    QString connectedText() const
    {
        return u"Connected to 127.0.0.1 port %1"_s.arg(h->recorder().port());
    }
    void startConnect(const QString &host, const QString &port);

    std::unique_ptr<HandsetHarness> h;
};

void tst_faults::init()
{
    h = std::make_unique<HandsetHarness>();
}

void tst_faults::cleanup()
{
    h.reset();
    // A lookup still hanging would hold up the resolver's threads at exit.
    slowLookupsReleased.release(slowLookups.exchange(0));
}

void tst_faults::startConnect(const QString &host, const QString &port)
{
    h->box(u"txt_ip"_s)->setText(host);
    h->box(u"txt_port"_s)->setText(port);
    press(u"cmd_connect"_s);
}

void tst_faults::recorderThatNeverReads()
{
    constexpr int presses = 100'000;
    // 100 MB of lines in all: far more than the system's socket buffers hold, so whatever the
    // program keeps for later shows in its memory.
    const QString message(1000, u'x');
    const QByteArray messageLine = "mesg " + message.toLatin1() + "\r\n";
    constexpr qint64 memoryBound = 32 * 1024 * 1024;

    QCOMPARE(h->connectWindow(), 0);
    h->recorder().stopReading(0);
    h->box(u"txt_msg"_s)->setText(message);
    press(u"cmd_sendmsg"_s);
    const qint64 memoryBefore = HandsetHarness::memoryInUse();
    QVERIFY(memoryBefore > 0);

    // Presses come from the event loop in small batches, as a user's would, so a press that
    // blocked would also stop the meter's timer.
    StallMeter stalls;
    int pressed = 0;
    QTimer presser;
    connect(&presser, &QTimer::timeout, this, [&] {
        for (int i = 0; i < 100 && pressed < presses; ++i, ++pressed)
            press(u"cmd_sendmsg"_s);
    });
    presser.start(0);
    QTRY_COMPARE_WITH_TIMEOUT(pressed, presses, 120'000);
    presser.stop();

    const qint64 growth = HandsetHarness::memoryInUse() - memoryBefore;
    QVERIFY2(growth < memoryBound,
             qPrintable(u"memory grew by %1 MiB"_s.arg(growth / (1024 * 1024))));
    QVERIFY2(stalls.longest < longestTolerableStallMs,
             qPrintable(u"the event loop stalled for %1 ms"_s.arg(stalls.longest)));
    QCOMPARE(h->status(), connectedText());

    // Once the recorder reads again the backlog drains and new presses get through. What was
    // taken arrives as whole lines; what was not is gone.
    h->recorder().resumeReading(0);
    const auto okArrives = [this] {
        h->window().cmd_ok_Click();
        return h->recorder().received(0).endsWith("hitk ok\r\n");
    };
    QTRY_VERIFY_WITH_TIMEOUT(okArrives(), 10'000);
    QList<QByteArray> lines = h->recorder().received(0).split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    const auto messages = std::count(lines.cbegin(), lines.cend(), messageLine.chopped(1));
    const auto oks = std::count(lines.cbegin(), lines.cend(), "hitk ok\r"_ba);
    QCOMPARE(messages + oks, lines.size());
    qInfo("memory grew by %lld KiB, longest stall %lld ms, %lld of %d lines arrived", growth / 1024,
          stalls.longest, qint64(messages), presses);
    QVERIFY(messages > 0);
    QVERIFY2(messages < presses, "lines beyond the backlog's limit are dropped");
}

void tst_faults::resetWhilePressing()
{
    QCOMPARE(h->connectWindow(), 0);
    QSignalSpy down(&h->window().link(), &RecorderLink::connectionDown);
    // Through the handler, as the keyboard does, so presses go on after the group is disabled.
    QTimer presser;
    connect(&presser, &QTimer::timeout, this, [this] { h->window().cmd_menu_Click(); });
    presser.start(0);
    QTRY_VERIFY(h->recorder().received(0).contains("hitk menu\r\n"));

    h->recorder().resetConnections();
    QTRY_COMPARE_WITH_TIMEOUT(h->status(), u"Not connected"_s, pollWaitMs);
    presser.stop();
    QCOMPARE(down.count(), 1);
    QVERIFY(!h->window().link().isConnected());
    QVERIFY(!h->window().link().isPolling());
    QVERIFY(!h->button(u"cmd_menu"_s)->isEnabled());
}

void tst_faults::hostThatDoesNotResolve_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("name that does not exist") << u"no-such-host.invalid"_s;
    QTest::newRow("lookup that never answers") << QString::fromLatin1(slowHost);
}

void tst_faults::hostThatDoesNotResolve()
{
    QFETCH(QString, host);
    const bool hangs = host == QLatin1StringView(slowHost);
    const auto giveUpMs = std::chrono::milliseconds(RecorderSocket::attemptTimeout).count();

    StallMeter stalls;
    QElapsedTimer sincePress;
    sincePress.start();
    startConnect(host, u"2001"_s);
    QTRY_COMPARE_WITH_TIMEOUT(h->status(), u"Not connected"_s, giveUpMs + pollWaitMs);
    QVERIFY2(stalls.longest < longestTolerableStallMs,
             qPrintable(u"the event loop stalled for %1 ms"_s.arg(stalls.longest)));
    QVERIFY(!h->window().link().isPolling());
    QCOMPARE(h->window().link().socketState(), RecorderSocket::State::Closed);
    if (hangs) {
        QCOMPARE(slowLookups.load(), 1);
        // Coarse timers may fire up to 5 % early.
        QVERIFY2(sincePress.elapsed() >= giveUpMs * 95 / 100, "the attempt ran until given up");
    }
}

void tst_faults::unusableSettingsFile_data()
{
    QTest::addColumn<SettingsFault>("fault");
    QTest::newRow("file of 10 MB") << SettingsFault::Huge;
    QTest::newRow("folder in the file's place") << SettingsFault::Folder;
    QTest::newRow("file without read permission") << SettingsFault::Unreadable;
    QTest::newRow("named pipe nobody writes to") << SettingsFault::Pipe;
}

void tst_faults::unusableSettingsFile()
{
    QFETCH(SettingsFault, fault);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"zappomatic.ini"_s);
    // Read as a settings file, any of these would change both fields.
    const QByteArray settings = "[server]\nip=10.9.8.7\nport=2100\n";

    switch (fault) {
    case SettingsFault::Huge: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(settings) == settings.size());
        const QByteArray comment = "; " + QByteArray(1021, '-') + '\n';
        for (int i = 0; i < 10 * 1024; ++i)
            QVERIFY(file.write(comment) == comment.size());
        break;
    }
    case SettingsFault::Folder:
        QVERIFY(QDir(folder.path()).mkdir(u"zappomatic.ini"_s));
        break;
    case SettingsFault::Unreadable: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(settings) == settings.size());
        file.close();
        QVERIFY(file.setPermissions({}));
        break;
    }
    case SettingsFault::Pipe:
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        break;
    }

    // Opening a pipe waits for a writer. Should start-up open it, a writer comes every 2 s, so
    // the test fails instead of hanging.
    std::binary_semaphore started(0);
    std::atomic<int> pipeWaits = 0;
    std::thread writer;
    if (fault == SettingsFault::Pipe) {
        writer = std::thread([&] {
            while (!started.try_acquire_for(2s)) {
                const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ++pipeWaits;
                    ::close(fd);
                }
            }
        });
    }
    std::unique_ptr<frm_main> window;
    {
        const WithoutReadOverride asAnyUser;
        if (fault == SettingsFault::Unreadable)
            QVERIFY2(!QFile(path).open(QIODevice::ReadOnly), "the file must not be readable");
        window = std::make_unique<frm_main>(folder.path());
    }
    if (writer.joinable()) {
        started.release();
        writer.join();
    }

    QVERIFY2(pipeWaits == 0, "start-up waited for the pipe");
    QCOMPARE(window->findChild<QLineEdit *>(u"txt_ip"_s)->text(), u"localhost"_s);
    QCOMPARE(window->findChild<QLineEdit *>(u"txt_port"_s)->text(), u"2001"_s);
}

QTEST_MAIN(tst_faults)
#include "tst_faults.moc"
