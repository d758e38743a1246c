// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated recorder's channel list and programme guide: LSTC and LSTE.
#include "simulated_recorder.h"

#include <QDateTime>

#include <array>

namespace {

// "S19.2E-1-1019-10301" and the like, as LSTC and LSTE take a channel id.
bool looksLikeId(const QByteArray &text)
{
    return text.count('-') >= 3 && !text.startsWith('-');
}

bool isNumber(const QByteArray &text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

RecorderAnswer SimulatedRecorder::listChannels(const QByteArray &option) const
{
    // Like VDR, ":groups" only in small letters.
    const bool groups = option == ":groups";
    const qsizetype numbered = numberedChannel(option);
    if (isNumber(option) && numbered < 0)
        return {"501 Channel \"" + option + "\" not defined\r\n"};
    QList<const SimChannel *> listed;
    for (const SimChannel &channel : m_channels) {
        const bool wanted = option.isEmpty() || groups ? groups || !channel.isGroup()
            : isNumber(option)                         ? &channel == &m_channels.at(numbered)
            : channel.isGroup()                        ? false
            : looksLikeId(option)                      ? channel.id == option
                                  : channel.name.toLower().contains(option.toLower());
        if (wanted)
            listed.append(&channel);
    }
    if (listed.isEmpty())
        return {"501 Channel \"" + option + "\" not defined\r\n"};
    QByteArray text;
    for (const SimChannel *channel : listed) {
        text += (channel == listed.last() ? "250 " : "250-") + QByteArray::number(channel->number)
            + ' ';
        if (channel->isGroup())
            text += ':'
                + (channel->groupNumber ? '@' + QByteArray::number(channel->groupNumber) + ' '
                                        : QByteArray())
                + channel->name + "\r\n";
        else
            text += channel->conf + "\r\n";
    }
    return {text, false, true};
}

RecorderAnswer SimulatedRecorder::listProgrammes(const QByteArray &option) const
{
    QList<QByteArray> words = option.simplified().split(' ');
    words.removeAll(QByteArray());
    // The first word names a channel unless it says when.
    const auto isWhen = [](const QByteArray &word) {
        const QByteArray lower = word.toLower();
        return lower == "now" || lower == "next" || lower == "at";
    };
    qsizetype only = -1;
    if (!words.isEmpty() && !isWhen(words.first())) {
        const QByteArray name = words.takeFirst();
        const auto byId = std::find_if(m_channels.cbegin(), m_channels.cend(),
                                       [&name](const SimChannel &c) { return c.id == name; });
        only = isNumber(name)           ? (name.toInt() > 0 ? numberedChannel(name) : -1)
            : byId != m_channels.cend() ? byId - m_channels.cbegin()
                                        : -1;
        if (only < 0)
            return {"550 Channel \"" + name + "\" not defined\r\n"};
        if (!hasSchedule(m_channels[only]))
            return {"550 No schedule found\r\n"};
    }

    // Without a time, the schedule holds the programme running and the seven after it.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const qint64 first = now / m_programmeSeconds * m_programmeSeconds;
    qint64 from = first, count = 8;
    const QByteArray when = words.isEmpty() ? QByteArray() : words.first().toLower();
    if (when == "now" || when == "next") {
        from += when == "next" ? m_programmeSeconds : 0;
        count = 1;
    } else if (when == "at") {
        if (words.size() < 2)
            return {"501 Missing time\r\n"};
        if (!isNumber(words[1]))
            return {"501 Invalid time\r\n"};
        // Any time has its programme, so that a test can ask for a fixed one.
        from = std::min(words[1].toLongLong(), Q_INT64_C(0xffffffff)) / m_programmeSeconds
            * m_programmeSeconds;
        count = 1;
    } else if (!when.isEmpty()) {
        return {"501 Unknown option: \"" + words.first() + "\"\r\n"};
    }

    // VDR writes these lines with a bare LF, unlike its other replies.
    static constexpr std::array<const char *, 5> kinds
        = {"News", "Weather", "Film", "Sport", "Documentary"};
    QByteArray text;
    for (qsizetype at = 0; at < m_channels.size(); ++at) {
        const SimChannel &channel = m_channels[at];
        if ((only >= 0 && at != only) || channel.isGroup() || !hasSchedule(channel))
            continue;
        text += "215-C " + channel.id + ' ' + channel.name + '\n';
        for (qint64 start = from; start < from + count * m_programmeSeconds;
             start += m_programmeSeconds) {
            const qint64 slot = start / m_programmeSeconds;
            const QByteArray time
                = QDateTime::fromSecsSinceEpoch(start, Qt::UTC).toString(u"hh:mm:ss").toLatin1();
            text += "215-E " + QByteArray::number(quint32(slot)) + ' ' + QByteArray::number(start)
                + ' ' + QByteArray::number(m_programmeSeconds) + " 4E FF\n215-T "
                + kinds[(slot + channel.number) % kinds.size()] + " on " + channel.name
                + "\n215-S From " + time + " UTC\n215-e\n";
        }
        text += "215-c\n";
    }
    return {text + "215 End of EPG data\r\n", false, true};
}
