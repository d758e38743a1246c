#include "vdr_recorder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <optional>
#include <utility>

#include <signal.h>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int startTimeoutMs = 30000;
constexpr int stopTimeoutMs = 10000;
constexpr int queryTimeoutMs = 5000;
// VDR acts on a key in its main loop, a moment after SVDRP has accepted it.
constexpr int keyTimeoutMs = 5000;
// Until VDR listens, each refused try waits this long, or less if VDR ends meanwhile.
constexpr int retryPauseMs = 50;
// Someone may take the free port before VDR binds it; VDR then runs on without SVDRP.
constexpr int portAttempts = 3;
// Back removes one message or one menu level; VDR's menus are never this deep.
constexpr int maxScreenLayers = 8;

const QString pluginDir = u"/usr/lib/vdr/plugins"_s;

QString vdrExecutable()
{
    return QStandardPaths::findExecutable(u"vdr"_s);
}

// qWaitFor runs the event loop, so a program under test in this process keeps talking.
std::optional<QString> readLine(QTcpSocket &socket, const QDeadlineTimer &deadline)
{
    const bool ready = QTest::qWaitFor(
        [&] { return socket.canReadLine() || socket.state() == QAbstractSocket::UnconnectedState; },
        int(deadline.remainingTime()));
    if (!ready || !socket.canReadLine())
        return std::nullopt;
    return QString::fromUtf8(socket.readLine()).trimmed();
}

} // namespace

VdrRecorder::VdrRecorder()
    : m_dir(QDir::tempPath() + u"/zappomatic-vdr-XXXXXX"_s)
    , m_hostName(QFileInfo(m_dir.path()).fileName())
{ }

VdrRecorder::~VdrRecorder()
{
    stop();
}

QString VdrRecorder::missingParts()
{
    QStringList missing;
    if (vdrExecutable().isEmpty())
        missing.append(u"vdr (package vdr)"_s);
    for (const QString &plugin : {u"xineliboutput"_s, u"svdrposd"_s}) {
        if (QDir(pluginDir).entryList({u"libvdr-%1.so.*"_s.arg(plugin)}).isEmpty())
            missing.append(u"the VDR plugin %1 (package vdr-plugin-%1)"_s.arg(plugin));
    }
    if (missing.isEmpty())
        return {};
    return u"The end-to-end tests need a real VDR; not installed: "_s + missing.join(u", "_s);
}

bool VdrRecorder::start()
{
    if (const QString missing = missingParts(); !missing.isEmpty())
        return fail(missing);
    if (!writeConfig())
        return false;
    for (int attempt = 0; attempt < portAttempts; ++attempt) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return fail(u"no free port on 127.0.0.1"_s);
        m_port = probe.serverPort();
        probe.close();
        const Launch outcome = launch();
        if (outcome == Launch::Ready)
            return true;
        stop();
        if (outcome == Launch::Failed)
            return false;
    }
    return false;
}

void VdrRecorder::stop()
{
    if (!isRunning())
        return;
    // SIGTERM to its pid; VDR saves its setup and leaves within a second.
    m_process.terminate();
    if (!m_process.waitForFinished(stopTimeoutMs)) {
        qWarning("VDR (pid %lld) ignored SIGTERM, killing it", pid());
        m_process.kill();
        m_process.waitForFinished(stopTimeoutMs);
    }
}

QString VdrRecorder::query(const QString &command) const
{
    const QDeadlineTimer deadline(queryTimeoutMs);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_port);
    const std::optional<QString> greeting = readLine(socket, deadline);
    if (!greeting || !greeting->startsWith(u"220 "_s + m_hostName + u' '))
        return u"(no reply from this VDR: %1)"_s.arg(greeting.value_or(socket.errorString()));

    socket.write(command.toUtf8() + "\r\n");
    QStringList reply;
    // "920-..." is followed by more lines, "920 ..." is the last one.
    while (reply.isEmpty() || reply.last().mid(3, 1) == u"-"_s) {
        const std::optional<QString> line = readLine(socket, deadline);
        if (!line)
            return u"(no reply to %1: %2)"_s.arg(command, socket.errorString());
        reply.append(*line);
    }
    // Leaving politely lets VDR drop the connection at once instead of on a reset.
    socket.write("QUIT\r\n");
    readLine(socket, deadline);
    return reply.join(u'\n');
}

QString VdrRecorder::screen() const
{
    const QString reply = query(u"PLUG svdrposd LSTO"_s);
    if (reply.startsWith(u"930 "_s))
        return {};
    // "920-T:VDR", then an item per line: "920-S: 1 Schedule" for the selected one, "I:" else.
    QString title, selected;
    for (const QString &line : reply.split(u'\n')) {
        if (line.mid(4, 2) == u"T:"_s)
            title = line.mid(6).trimmed();
        else if (line.mid(4, 2) == u"S:"_s)
            selected = line.mid(6).trimmed();
    }
    return title.isEmpty() ? reply : title + u" > "_s + selected;
}

bool VdrRecorder::clearScreen() const
{
    for (int layer = 0; layer < maxScreenLayers; ++layer) {
        const QString before = screen();
        if (before.isEmpty())
            return true;
        query(u"HITK Back"_s);
        // One key at a time: a spare Back still queued in VDR would hit the next test.
        if (!QTest::qWaitFor([&] { return screen() != before; }, keyTimeoutMs))
            return false;
    }
    return false;
}

bool VdrRecorder::writeConfig()
{
    const QDir root(m_dir.path());
    const QString conf = root.filePath(u"conf"_s);
    for (const QString &folder : {u"conf"_s, u"video"_s, u"cache"_s, u"res"_s}) {
        if (!m_dir.isValid() || !root.mkpath(folder))
            return fail(u"cannot create "_s + root.filePath(folder));
    }
    // With 127.0.0.1 alone VDR binds SVDRP to loopback; any other entry opens every interface.
    // The host name marks this recorder's greeting, peering off keeps VDR from broadcasting,
    // and messages stay 10 s instead of 1 s so that a test can see them.
    const std::pair<QString, QByteArray> ownFiles[] = {
        {u"svdrphosts.conf"_s, "127.0.0.1\n"},
        {u"setup.conf"_s,
         "OSDMessageTime = 10\nSVDRPPeering = 0\nSVDRPHostName = " + m_hostName.toUtf8() + '\n'},
    };
    for (const auto &[name, text] : ownFiles) {
        QFile file(conf + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return fail(u"cannot write "_s + file.fileName());
    }
    // The packaged files as `cp -L` copies them: QFile::copy follows links, and QDir::Files
    // leaves out links that point nowhere (Debian ships some for files it never creates).
    for (const QString &packaged : {u"/var/lib/vdr"_s, u"/etc/vdr"_s}) {
        for (const QFileInfo &file : QDir(packaged).entryInfoList({u"*.conf"_s}, QDir::Files)) {
            const QString target = conf + u'/' + file.fileName();
            if (!QFile::exists(target) && !QFile::copy(file.absoluteFilePath(), target))
                return fail(u"cannot copy "_s + file.absoluteFilePath());
        }
    }
    return true;
}

VdrRecorder::Launch VdrRecorder::launch()
{
    const QString dir = m_dir.path();
    m_process.setProgram(vdrExecutable());
    m_process.setArguments({
        u"--no-kbd"_s,
        u"--config="_s + dir + u"/conf"_s,
        u"--video="_s + dir + u"/video"_s,
        u"--cachedir="_s + dir + u"/cache"_s,
        u"--resdir="_s + dir + u"/res"_s,
        u"--epgfile=-"_s,
        u"--port="_s + QString::number(m_port),
        // VDR logs to syslog only, or to /dev/console without one: keep that to errors.
        u"--log=1"_s,
        u"--lib="_s + pluginDir,
        // The output device VDR cannot start without; it also gives menus an OSD to draw on.
        u"--plugin=xineliboutput --local=none --remote=none"_s,
        u"--plugin=svdrposd"_s,
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Under any other locale VDR converts SVDRP text and does not greet with "UTF-8".
    environment.insert(u"LANG"_s, u"C.UTF-8"_s);
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    environment.remove(u"LANGUAGE"_s);
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(dir);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // Should the test process die without cleaning up, VDR goes with it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });

    QElapsedTimer clock;
    clock.start();
    m_process.start();
    if (!m_process.waitForStarted(startTimeoutMs)) {
        fail(u"cannot start vdr: "_s + m_process.errorString());
        return Launch::Failed;
    }
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!deadline.hasExpired()) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (const std::optional<QString> greeting = readLine(socket, deadline)) {
            if (!greeting->startsWith(u"220 "_s + m_hostName + u' ')) {
                fail(u"port %1 was taken by: %2"_s.arg(m_port).arg(*greeting));
                return Launch::PortTaken;
            }
            socket.write("QUIT\r\n");
            readLine(socket, deadline);
            m_startDuration = std::chrono::milliseconds(clock.elapsed());
            return Launch::Ready;
        }
        if (m_process.waitForFinished(retryPauseMs)) {
            fail(u"vdr ended with exit code %1 before it answered:\n%2"_s.arg(
                QString::number(m_process.exitCode()),
                QString::fromLocal8Bit(m_process.readAll())));
            return Launch::Failed;
        }
    }
    fail(u"vdr did not greet on port %1 within %2 ms"_s.arg(m_port).arg(startTimeoutMs));
    return Launch::Failed;
}

bool VdrRecorder::fail(const QString &error)
{
    m_error = error;
    return false;
}
