// SPDX-License-Identifier: GPL-2.0-or-later
#include "thread_recorder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace {

constexpr char greeting[] = "220 bench SVDRP VideoDiskRecorder 2.6.4; Thu Jan  1 00:00:00 1970; "
                            "UTF-8\r\n";

std::string lower(std::string_view text)
{
    std::string word(text);
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return word;
}

std::string number(long long n)
{
    return std::to_string(n);
}

// LSTC's reply: channels.conf lines after their numbers, with a group line before every 50.
std::string channelList(int count, bool groups)
{
    if (count <= 0)
        return "550 No channels defined\r\n";
    std::string text;
    for (int n = 1; n <= count; ++n) {
        const std::string nr = number(n);
        if (groups && n % 50 == 1)
            text += "250-0 :Channels " + nr + " to " + number(std::min(n + 49, count)) + "\r\n";
        // Every 7th has a short name; the provider and transponder vary as in a real list.
        text += (n == count ? "250 " : "250-") + nr + " Channel " + nr + (n % 7 ? "" : ",Ch" + nr)
            + ";Provider " + number(n % 4) + ':' + number(10700 + n % 2000)
            + ":HC34M2S0:S19.2E:27500:" + number(1000 + n) + "=2:" + number(3000 + n)
            + "=deu@3:0:0:" + nr + ":1:" + number(1000 + n / 50) + ":0\r\n";
    }
    return text;
}

// LSTE's block for one programme, its lines ending in LF alone as VDR writes them.
std::string programme(int channel, long long event, long long start, int seconds)
{
    static constexpr const char *kinds[] = {"News", "Weather", "Film", "Sport", "Documentary"};
    const std::string nr = number(channel);
    const std::string title = kinds[(channel + event) % 5] + std::string(" on Channel ") + nr;
    std::string text = "215-C S19.2E-1-" + number(1000 + channel / 50) + '-' + nr + " Channel " + nr
        + "\n215-E " + number(event) + ' ' + number(start) + ' ' + number(seconds)
        + " 4E FF\n215-T " + title + "\n215-S Part " + number(event % 12 + 1) + "\n215-D ";
    // A description as long as a broadcaster's usual few sentences.
    for (int sentence = 0; sentence < 6; ++sentence)
        text += title + " brings the evening's stories, guests and pictures in full. ";
    return text + "\n215-G 20\n215-X 2 03 deu stereo\n215-X 5 0B deu HD 16:9 video\n215-V "
        + number(start) + "\n215-e\n215-c\n215 End of EPG data\r\n";
}

// Replies are written as the socket takes them, so a client that reads none never stalls the
// thread's timestamps; paced, a millisecond's worth at a time.
constexpr std::size_t piecesPerSecond = 1000;

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
    m_started = std::time(nullptr);
    m_listenFd = fd;
    m_port = ntohs(address.sin_port);
    setChannels(0);
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
        const Clock::time_point now = Clock::now();
        std::optional<Clock::time_point> wakeAt;
        for (Connection &connection : m_connections) {
            if (connection.fd < 0)
                continue;
            short events = POLLIN;
            if (connection.sent < connection.out.size()) {
                if (m_rate && now < connection.nextWrite)
                    wakeAt = std::min(wakeAt.value_or(connection.nextWrite), connection.nextWrite);
                else
                    events |= POLLOUT;
            }
            fds.push_back({connection.fd, events, 0});
            owners.push_back(&connection);
        }
        if (m_polling && now - pollingSince > longestPolling)
            m_polling = false;
        timespec wait {};
        if (!m_polling && wakeAt) {
            const auto left = std::chrono::nanoseconds(*wakeAt - now).count();
            wait = {time_t(left / 1000000000), long(left % 1000000000)};
        }
        const int ready
            = ::ppoll(fds.data(), fds.size(), m_polling || wakeAt ? &wait : nullptr, nullptr);
        if (ready < 0)
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
            Connection &connection = *owners[i];
            if (((fds[i].revents & ~POLLOUT) && !readFrom(connection)) || !write(connection)) {
                ::close(connection.fd);
                connection.fd = -1;
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
    // Paced replies go in pieces far below a segment: Nagle's algorithm would hold each one
    // back until the client's delayed acknowledgement, 40 ms on Linux, which no link has.
    const int noDelay = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    {
        const std::lock_guard lock(m_mutex);
        m_connections.push_back({});
        m_connections.back().fd = fd;
        m_connections.back().out = greeting;
    }
    m_changed.notify_all();
    write(m_connections.back());
}

bool ThreadRecorder::readFrom(Connection &connection)
{
    char buffer[65536];
    const ssize_t got = ::recv(connection.fd, buffer, sizeof buffer, 0);
    // Taken before anything else, so the stamp is as close to the arrival as a reader gets.
    const Clock::time_point now = Clock::now();
    if (got <= 0)
        return false;

    bool quit = false, answered = false;
    {
        const std::lock_guard lock(m_mutex);
        connection.received.append(buffer, std::size_t(got));
        for (std::size_t end;
             (end = connection.received.find('\n', connection.answered)) != std::string::npos;) {
            std::string_view line = std::string_view(connection.received)
                                        .substr(connection.answered, end - connection.answered);
            if (line.ends_with('\r'))
                line.remove_suffix(1);
            connection.arrivals.push_back(now);
            connection.queuedAhead.push_back(connection.out.size() - connection.sent);
            std::string answer = answerTo(line);
            quit = quit || answer.starts_with("221");
            queue(connection, line, std::move(answer));
            connection.answered = end + 1;
            answered = true;
        }
    }
    if (answered)
        m_polling = false; // the line it was armed for is in
    m_changed.notify_all();
    // A client that quits gets what the socket takes of its replies at once, and no more.
    return write(connection) && !quit;
}

void ThreadRecorder::queue(Connection &connection, std::string_view line, std::string reply)
{
    connection.out += reply;
    connection.ends.emplace_back(connection.out.size(), line);
}

bool ThreadRecorder::write(Connection &connection)
{
    const std::size_t rate = m_rate;
    while (connection.sent < connection.out.size()) {
        const Clock::time_point now = Clock::now();
        if (rate && now < connection.nextWrite)
            return true;
        std::size_t size = connection.out.size() - connection.sent;
        if (rate)
            size = std::min(size, std::max<std::size_t>(rate / piecesPerSecond, 1));
        const ssize_t put = ::send(connection.fd, connection.out.data() + connection.sent, size,
                                   MSG_DONTWAIT | MSG_NOSIGNAL);
        if (put < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK;
        const Clock::time_point done = Clock::now();
        connection.sent += std::size_t(put);
        if (rate)
            connection.nextWrite = std::max(connection.nextWrite, now)
                + std::chrono::nanoseconds(std::int64_t(put) * 1000000000 / std::int64_t(rate));
        const std::lock_guard lock(m_mutex);
        for (; !connection.ends.empty() && connection.ends.front().first <= connection.sent;
             connection.ends.pop_front())
            connection.written[connection.ends.front().second] = done;
    }
    connection.out.clear();
    connection.sent = 0;
    return true;
}

std::string ThreadRecorder::answerTo(std::string_view line) const
{
    const std::size_t blank = line.find(' ');
    const std::string verb = lower(line.substr(0, blank));
    const std::string option = blank == line.npos ? std::string() : lower(line.substr(blank + 1));
    if (verb == "quit")
        return "221 bench closing connection\r\n";
    if (verb == "hitk" && !option.empty())
        return "250 Key \"" + std::string(line.substr(blank + 1)) + "\" accepted\r\n";
    if (verb == "ping")
        return "250 bench is alive\r\n";
    if (verb == "chan")
        return "250 1 Channel 1\r\n";
    if (verb == "lstc" && (option.empty() || option == ":groups"))
        return option.empty() ? m_list : m_groupedList;
    if (verb == "lste" && option.find(" at ") != option.npos) {
        // Back to back from ten minutes ago; at a programme's end VDR names the next one, and
        // an empty block past the last.
        const int channel = std::atoi(option.c_str());
        const long long at = std::atoll(option.c_str() + option.find(" at ") + 4);
        long long k = (at - m_started + 600) / scheduleSeconds;
        if (k == schedulePerChannel && at == m_started - 600 + k * scheduleSeconds)
            --k;
        if (channel < 1 || channel > m_channels)
            return "550 No schedule found\r\n";
        if (at < m_started - 600 || k >= schedulePerChannel)
            return "215-C S19.2E-1-1-" + number(channel) + "\n215-c\n215 End of EPG data\r\n";
        return programme(channel, 1000 + k, m_started - 600 + k * scheduleSeconds, scheduleSeconds);
    }
    if (verb == "lste") {
        const int channel = std::atoi(option.c_str());
        const bool next = option.ends_with(" next");
        if (channel < 1 || channel > m_channels || !(next || option.ends_with(" now")))
            return "550 No schedule found\r\n";
        // The one now began ten minutes ago and the next begins in fifty, so neither ends
        // while the bench runs.
        return programme(channel, channel * 2 + next, m_started + (next ? 3000 : -600), 3600);
    }
    return "500 Command unrecognized: \"" + verb + "\"\r\n";
}

void ThreadRecorder::setChannels(int count)
{
    std::string list = channelList(count, false), grouped = channelList(count, true);
    const std::lock_guard lock(m_mutex);
    m_channels = count;
    m_list = std::move(list);
    m_groupedList = std::move(grouped);
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

std::size_t ThreadRecorder::queuedAhead(int connection, std::size_t index) const
{
    const std::lock_guard lock(m_mutex);
    return m_connections.at(std::size_t(connection)).queuedAhead.at(index);
}

std::optional<ThreadRecorder::Clock::time_point>
ThreadRecorder::written(int connection, const std::string &line) const
{
    const std::lock_guard lock(m_mutex);
    const auto &stamps = m_connections.at(std::size_t(connection)).written;
    const auto found = stamps.find(line);
    return found == stamps.end() ? std::nullopt : std::optional(found->second);
}
