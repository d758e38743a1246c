// SPDX-License-Identifier: GPL-2.0-or-later
#include "thread_recorder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace {

constexpr char greeting[] = "220 bench SVDRP VideoDiskRecorder 2.6.4; Thu Jan  1 00:00:00 1970; "
                            "UTF-8\r\n";

// The answer VDR gives to the few commands the benchmark sends.
std::string answerTo(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    std::string verb(line.substr(0, line.find(' ')));
    std::transform(verb.begin(), verb.end(), verb.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (verb == "quit")
        return "221 bench closing connection\r\n";
    if (verb == "hitk" && line.size() > 5)
        return "250 Key \"" + std::string(line.substr(5)) + "\" accepted\r\n";
    return "500 Command unrecognized: \"" + verb + "\"\r\n";
}

// Replies are best effort: a client that does not read them must not stall the timestamps.
void sendQuietly(int fd, std::string_view bytes)
{
    ::send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
}

constexpr char wakeToStop = 'q';
constexpr char wakeToPoll = 'p';
// However long a line takes, an armed recorder goes back to sleep after this.
constexpr auto longestPolling = std::chrono::seconds(20);

} // namespace

ThreadRecorder::ThreadRecorder()
{
    if (::pipe(m_wake) != 0)
        return;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0
        || ::listen(fd, 64) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_listenFd = fd;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread(&ThreadRecorder::run, this);
}

ThreadRecorder::~ThreadRecorder()
{
    if (m_thread.joinable()) {
        if (::write(m_wake[1], &wakeToStop, 1) == 1)
            m_thread.join();
        else
            m_thread.detach();
    }
    for (Connection &connection : m_connections)
        if (connection.fd >= 0)
            ::close(connection.fd);
    for (int fd : {m_listenFd, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

void ThreadRecorder::run()
{
    std::vector<pollfd> fds;
    std::vector<Connection *> owners;
    Clock::time_point pollingSince;
    for (;;) {
        fds.assign({{m_wake[0], POLLIN, 0}, {m_listenFd, POLLIN, 0}});
        owners.assign(2, nullptr);
        for (Connection &connection : m_connections) {
            if (connection.fd >= 0) {
                fds.push_back({connection.fd, POLLIN, 0});
                owners.push_back(&connection);
            }
        }
        if (m_polling && Clock::now() - pollingSince > longestPolling)
            m_polling = false;
        if (::poll(fds.data(), fds.size(), m_polling ? 0 : -1) <= 0)
            continue;
        if (fds[0].revents) {
            char wake = wakeToStop;
            if (::read(m_wake[0], &wake, 1) != 1 || wake == wakeToStop)
                return;
            pollingSince = Clock::now();
            m_polling = true;
        }
        if (fds[1].revents)
            accept();
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].revents && !readFrom(*owners[i])) {
                ::close(owners[i]->fd);
                owners[i]->fd = -1;
            }
        }
    }
}

bool ThreadRecorder::arm(std::chrono::milliseconds timeout)
{
    if (::write(m_wake[1], &wakeToPoll, 1) != 1)
        return false;
    // A short wait: the thread was asleep in poll() and only has to wake up.
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!m_polling)
        if (Clock::now() > deadline)
            return false;
    return true;
}

void ThreadRecorder::accept()
{
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    sendQuietly(fd, greeting);
    {
        const std::lock_guard lock(m_mutex);
        m_connections.push_back({fd, {}, 0, {}});
    }
    m_changed.notify_all();
}

bool ThreadRecorder::readFrom(Connection &connection)
{
    char buffer[65536];
    const ssize_t got = ::recv(connection.fd, buffer, sizeof buffer, 0);
    // Taken before anything else, so the stamp is as close to the arrival as a reader gets.
    const Clock::time_point now = Clock::now();
    if (got <= 0)
        return false;

    std::string replies;
    bool quit = false;
    {
        const std::lock_guard lock(m_mutex);
        connection.received.append(buffer, std::size_t(got));
        for (std::size_t end;
             (end = connection.received.find('\n', connection.answered)) != std::string::npos;) {
            const std::string_view line
                = std::string_view(connection.received)
                      .substr(connection.answered, end + 1 - connection.answered);
            const std::string answer = answerTo(line);
            connection.arrivals.push_back(now);
            quit = quit || answer.starts_with("221");
            replies += answer;
            connection.answered = end + 1;
        }
    }
    if (!replies.empty())
        m_polling = false; // the line it was armed for is in
    m_changed.notify_all();
    sendQuietly(connection.fd, replies);
    return !quit;
}

bool ThreadRecorder::waitForLines(int connection, std::size_t count,
                                  std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return int(m_connections.size()) > connection
            && m_connections[std::size_t(connection)].arrivals.size() >= count;
    });
}

int ThreadRecorder::connectionCount() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_connections.size());
}

std::size_t ThreadRecorder::lineCount(int connection) const
{
    const std::lock_guard lock(m_mutex);
    return m_connections.at(std::size_t(connection)).arrivals.size();
}

ThreadRecorder::Clock::time_point ThreadRecorder::arrival(int connection, std::size_t index) const
{
    const std::lock_guard lock(m_mutex);
    return m_connections.at(std::size_t(connection)).arrivals.at(index);
}

std::string ThreadRecorder::received(int connection) const
{
    const std::lock_guard lock(m_mutex);
    return m_connections.at(std::size_t(connection)).received;
}
