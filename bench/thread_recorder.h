// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A recorder on 127.0.0.1 that runs on a thread of its own with plain POSIX calls, so the
// arrival of each line is timestamped independently of the Qt event loop under measurement. It
// greets and answers like VDR does, which svdrpsend needs and the others read and throw away,
// and lists generated channels with a programme now and next on each for the channel panel.
// Connections are numbered from 0 in the order they are accepted.
class ThreadRecorder
{
public:
    using Clock = std::chrono::steady_clock;

    ThreadRecorder();
    ~ThreadRecorder();
    ThreadRecorder(const ThreadRecorder &) = delete;
    ThreadRecorder &operator=(const ThreadRecorder &) = delete;

    bool listening() const { return m_listenFd >= 0; }
    std::uint16_t port() const { return m_port; }

    // Makes the thread poll its sockets without sleeping until the next line arrives, and
    // returns once it does so. A stamp then does not include how long an idle core takes to
    // wake up, which is tens of µs in a virtual machine and next to nothing on a busy one.
    // False if the thread did not start polling within the timeout.
    bool arm(std::chrono::milliseconds timeout);

    // Each channel's schedule for "LSTE <n> at <t>": this many programmes back to back.
    static constexpr int schedulePerChannel = 400;
    static constexpr int scheduleSeconds = 1500;

    // From the next line on: LSTC lists this many channels, 50 to a group, and LSTE has a
    // programme now and next on each and a schedule; none at first, as a recorder without a
    // channels.conf.
    void setChannels(int count);
    // From now on replies leave at most this many bytes a second, in order, as over a slow
    // link; 0 for as fast as the socket takes them.
    void setBytesPerSecond(std::size_t rate) { m_rate = rate; }

    // Waits at most timeout for that many lines on the connection; false if they did not come.
    bool waitForLines(int connection, std::size_t count, std::chrono::milliseconds timeout);

    int connectionCount() const;
    std::size_t lineCount(int connection) const;
    // When the last byte of line `index` (counted from 0) of that connection arrived.
    Clock::time_point arrival(int connection, std::size_t index) const;
    std::string received(int connection) const;
    // Reply bytes not yet written when line `index` arrived: what its own reply waits behind.
    std::size_t queuedAhead(int connection, std::size_t index) const;
    // When the last byte of the latest reply to `line` (without its line end) was written.
    std::optional<Clock::time_point> written(int connection, const std::string &line) const;

private:
    struct Connection
    {
        int fd = -1;
        std::string received;
        std::size_t answered = 0; // bytes of `received` already split into lines
        std::vector<Clock::time_point> arrivals;
        std::vector<std::size_t> queuedAhead;
        std::map<std::string, Clock::time_point> written;
        // Only the thread touches these: replies not yet written, where each ends, and when
        // the next piece may go on a paced link.
        std::string out;
        std::size_t sent = 0;
        std::deque<std::pair<std::size_t, std::string>> ends;
        Clock::time_point nextWrite;
    };

    void run();
    void accept();
    bool readFrom(Connection &connection);
    bool write(Connection &connection);
    void queue(Connection &connection, std::string_view line, std::string reply);
    std::string answerTo(std::string_view line) const;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Connection> m_connections; // a deque, so elements never move
    int m_listenFd = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::atomic<bool> m_polling {false}; // armed and not sleeping
    std::atomic<std::size_t> m_rate {0};
    int m_channels = 0;
    long long m_started = 0; // when the programmes are measured from
    std::string m_list, m_groupedList; // LSTC's replies, made once per setChannels()
    std::thread m_thread;
};
