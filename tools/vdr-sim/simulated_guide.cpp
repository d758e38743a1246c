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

void SimulatedRecorder::setWeek()
{
    m_weekFrom = now() / 3600 * 3600 - 3 * 3600;
    m_weeks.clear();
}

const QList<SimProgramme> &SimulatedRecorder::weekOf(const SimChannel &channel) const
{
    const auto made = m_weeks.constFind(channel.number);
    if (made != m_weeks.cend())
        return *made;
    // A small xorshift generator seeded by the channel, so that every run of the same start
    // has the same week.
    quint32 state = 0x9e3779b9u ^ (quint32(channel.number) * 0x85ebca6bu);
    const auto random = [&state](quint32 below) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state % below;
    };
    static constexpr std::array minutes
        = {5, 10, 15, 20, 25, 30, 30, 45, 45, 50, 60, 60, 75, 90, 105, 120, 135, 150, 180};
    static constexpr std::array<const char *, 12> titles = {"Tagesschau",
                                                            "Wetter vor acht",
                                                            "Küstenwache",
                                                            "Sportschau",
                                                            "Terra X",
                                                            "Der Bergdoktor",
                                                            "Quarks",
                                                            "Spielfilm: Das Boot",
                                                            "Tatort",
                                                            "Heute journal",
                                                            "Die Sendung mit der Maus",
                                                            "Nachtcafé"};
    static constexpr std::array<const char *, 6> sentences = {
        "Ein Kommissar ermittelt in einer Kleinstadt, in der jeder etwas zu verbergen hat.",
        "Moderation: Anna Beispiel.",
        "Die Reportage begleitet drei Familien durch ein Jahr auf dem Land, zwischen Ernte, "
        "Schulweg und der Frage, wer den Hof einmal übernimmt.",
        "Mit Untertiteln.",
        "Wiederholung vom Vortag.",
        "Live aus dem Stadion: alle Spiele des Tages, die Tore, die Stimmen nach dem Abpfiff und "
        "die Tabelle."};
    QList<SimProgramme> week;
    const qint64 end = *m_weekFrom + 7 * 86400;
    // One stretch without data each day, the first a little after the simulator starts.
    qint64 gapAfter = *m_weekFrom + 4 * 3600 + (channel.number % 6) * 600;
    for (qint64 start = *m_weekFrom; start < end;) {
        SimProgramme programme;
        programme.id = quint32(week.size() + 1);
        programme.start = start;
        programme.seconds = minutes[random(minutes.size())] * 60;
        const quint32 title = random(titles.size());
        programme.title = titles[title];
        const QByteArray episode = QByteArray::number(week.size() % 97 + 1);
        if (random(5) != 0)
            programme.shortText = "Folge " + episode;
        // Descriptions of a few lines, long enough to make a week weigh what a real one does.
        programme.description
            = QByteArray(titles[title]) + ", Folge " + episode + " auf " + channel.name + '.';
        const quint32 first = random(sentences.size());
        for (quint32 line = random(4) + 1; line > 0; --line)
            programme.description += '|' + QByteArray(sentences[(first + line) % sentences.size()]);
        programme.stereo = random(3) == 0;
        week.append(programme);
        start = programme.end();
        if (start >= gapAfter) {
            start += (15 + random(4) * 15) * 60;
            gapAfter += 86400;
        }
    }
    return *m_weeks.insert(channel.number, week);
}

SimProgramme SimulatedRecorder::slotProgramme(const SimChannel &channel, qint64 start) const
{
    static constexpr std::array<const char *, 5> kinds
        = {"News", "Weather", "Film", "Sport", "Documentary"};
    const qint64 slot = start / m_programmeSeconds;
    const QByteArray time
        = QDateTime::fromSecsSinceEpoch(start, Qt::UTC).toString(u"hh:mm:ss").toLatin1();
    return {quint32(slot),
            start,
            m_programmeSeconds,
            kinds[(slot + channel.number) % kinds.size()] + QByteArray(" on ") + channel.name,
            "From " + time + " UTC",
            {},
            false};
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

    const qint64 now = this->now();
    const QByteArray when = words.isEmpty() ? QByteArray() : words.first().toLower();
    qint64 asked = now;
    if (when == "at") {
        if (words.size() < 2)
            return {"501 Missing time\r\n"};
        if (!isNumber(words[1]))
            return {"501 Invalid time\r\n"};
        asked = std::min(words[1].toLongLong(), Q_INT64_C(0xffffffff));
    } else if (!when.isEmpty() && when != "now" && when != "next") {
        return {"501 Unknown option: \"" + words.first() + "\"\r\n"};
    }

    // The programmes of one channel that answer the question.
    const auto chosen = [&](const SimChannel &channel) {
        QList<SimProgramme> found;
        if (!m_weekFrom) {
            // Any time has its programme, so that a test can ask for a fixed one. Without a
            // time, the schedule holds the programme running and the seven after it.
            const qint64 first = asked / m_programmeSeconds * m_programmeSeconds
                + (when == "next" ? m_programmeSeconds : 0);
            for (qsizetype i = 0; i < (when.isEmpty() ? 8 : 1); ++i)
                found.append(slotProgramme(channel, first + i * m_programmeSeconds));
            return found;
        }
        const QList<SimProgramme> &week = weekOf(channel);
        if (when.isEmpty())
            return week;
        // VDR 2.6: at a time, the programme begun last that has not ended before it, so that at
        // one's end comes the next if it starts right then. Now is the programme begun last,
        // even one that has ended (in a gap), and next the one after it.
        const auto after = std::upper_bound(
            week.cbegin(), week.cend(), asked,
            [](qint64 time, const SimProgramme &programme) { return time < programme.start; });
        const qsizetype begun = after - week.cbegin() - 1;
        const qsizetype index = when == "next"                        ? begun + 1
            : when == "at" && begun >= 0 && week[begun].end() < asked ? -1
                                                                      : begun;
        if (index >= 0 && index < week.size())
            found.append(week[index]);
        return found;
    };

    // VDR writes these lines with a bare LF, unlike its other replies.
    QByteArray text;
    for (qsizetype at = 0; at < m_channels.size(); ++at) {
        const SimChannel &channel = m_channels[at];
        if ((only >= 0 && at != only) || channel.isGroup() || !hasSchedule(channel))
            continue;
        text += "215-C " + channel.id + ' ' + channel.name + '\n';
        for (const SimProgramme &programme : chosen(channel)) {
            text += "215-E " + QByteArray::number(programme.id) + ' '
                + QByteArray::number(programme.start) + ' ' + QByteArray::number(programme.seconds)
                + " 4E FF\n215-T " + programme.title + '\n';
            if (!programme.shortText.isEmpty())
                text += "215-S " + programme.shortText + '\n';
            if (!programme.description.isEmpty())
                text += "215-D " + programme.description + '\n';
            if (programme.stereo)
                text += "215-X 2 03 deu stereo\n";
            text += "215-e\n";
        }
        text += "215-c\n";
    }
    return {text + "215 End of EPG data\r\n", false, true};
}
