#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

// For initTestCase(): a machine without VDR fails under CI=true and skips elsewhere, so that
// CI can never pass without having talked to a real recorder.
#define ZAPPOMATIC_REQUIRE_VDR()                                                                   \
    do {                                                                                           \
        if (const QString missing = VdrRecorder::missingParts(); !missing.isEmpty()) {             \
            if (qEnvironmentVariable("CI") == QLatin1StringView("true"))                           \
                QFAIL(qPrintable(missing));                                                        \
            QSKIP(qPrintable(missing));                                                            \
        }                                                                                          \
    } while (false)

// A real, headless VDR for end-to-end tests: Debian's vdr with xineliboutput as its output
// device (no frontend, no network server) and svdrposd, which tells over SVDRP what is on
// screen. It lives in a temporary folder, answers SVDRP on a free port of 127.0.0.1 only,
// and is ended by its pid when the fixture goes away, also when a test fails.
//
// VDR serves several SVDRP clients, so a program under test may hold its own connection while
// query() opens others to look at the recorder. One thread serves them in turn and waits up to
// 100 ms on each idle one, so every other open connection makes a reply about 100 ms later.
class VdrRecorder
{
public:
    VdrRecorder();
    ~VdrRecorder();
    VdrRecorder(const VdrRecorder &) = delete;
    VdrRecorder &operator=(const VdrRecorder &) = delete;

    // What this machine lacks to run the recorder, in words for a test log; empty if nothing.
    static QString missingParts();

    // Starts VDR and returns once it has greeted on its SVDRP port; on false see errorString().
    bool start();
    // SIGTERM, then SIGKILL if VDR has not ended within a bound. Safe to call twice.
    void stop();

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }
    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }
    std::chrono::milliseconds startDuration() const { return m_startDuration; }

    // Sends one command on a connection of its own and returns every reply line, joined by
    // '\n', with their codes ("920 VDR"); on failure a text starting with "(no reply".
    // Waits run the event loop, so a program under test in this process keeps talking.
    QString query(const QString &command) const;
    // The open menu as "title > selected item" ("VDR > 2 Channels"), empty when nothing is
    // on screen, else the raw reply (a message alone shows as "920 M:text").
    QString screen() const;
    // Presses Back until nothing is on screen, so that a test does not start inside whatever
    // the test before left open. A key pressed while a message shows only removes the message.
    bool clearScreen() const;

private:
    enum class Launch { Ready, PortTaken, Failed };

    bool writeConfig();
    Launch launch();
    bool fail(const QString &error);

    QTemporaryDir m_dir;
    QProcess m_process;
    // Unique per fixture and part of the greeting, so that query() knows it reached this VDR.
    QString m_hostName;
    QString m_error;
    quint16 m_port = 0;
    std::chrono::milliseconds m_startDuration {0};
};
