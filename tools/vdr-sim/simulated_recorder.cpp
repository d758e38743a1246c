// SPDX-License-Identifier: GPL-2.0-or-later
#include "simulated_recorder.h"

#include <QChar>
#include <QLocale>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The key names VDR 2.6 accepts after HITK, in the order it lists them.
const char *const keyNames[]
    = {"Up",      "Down",       "Menu",   "Ok",       "Back",      "Left",     "Right",
       "Red",     "Green",      "Yellow", "Blue",     "0",         "1",        "2",
       "3",       "4",          "5",      "6",        "7",         "8",        "9",
       "Info",    "Play/Pause", "Play",   "Pause",    "Stop",      "Record",   "FastFwd",
       "FastRew", "Next",       "Prev",   "Power",    "Channel+",  "Channel-", "PrevChannel",
       "Volume+", "Volume-",    "Mute",   "Audio",    "Subtitles", "Schedule", "Channels",
       "Timers",  "Recordings", "Setup",  "Commands", "User0",     "User1",    "User2",
       "User3",   "User4",      "User5",  "User6",    "User7",     "User8",    "User9"};

bool isKeyName(const QByteArray &name)
{
    return std::any_of(std::begin(keyNames), std::end(keyNames),
                       [&name](const char *key) { return qstricmp(key, name.constData()) == 0; });
}

bool isDigits(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Length of the well-formed UTF-8 sequence starting at bytes[at], or 0 if there is none.
// Overlong forms and surrogates are not well-formed.
qsizetype utf8SequenceLength(QByteArrayView bytes, qsizetype at)
{
    const uchar lead = uchar(bytes[at]);
    qsizetype length = 0;
    uchar low = 0x80; // allowed range of the second byte
    uchar high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : low;
        high = lead == 0xed ? 0x9f : high;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : low;
        high = lead == 0xf4 ? 0x8f : high;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        const uchar next = uchar(bytes[at + i]);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xbf))
            return 0;
    }
    return length;
}

QString escaped(uchar byte)
{
    return u"\\x%1"_s.arg(uint(byte), 2, 16, QChar(u'0'));
}

} // namespace

SimulatedRecorder::SimulatedRecorder(QByteArray hostName, QByteArray version, QByteArray charset,
                                     QList<SimChannel> channels, int programmeSeconds)
    : m_hostName(std::move(hostName))
    , m_version(std::move(version))
    , m_charset(std::move(charset))
    , m_channels(std::move(channels))
    , m_programmeSeconds(programmeSeconds)
{
    // The first channel; main() lets no list without one come.
    while (m_current + 1 < m_channels.size() && m_channels[m_current].isGroup())
        ++m_current;
}

qint64 SimulatedRecorder::now() const
{
    return m_clock ? *m_clock : QDateTime::currentSecsSinceEpoch();
}

QByteArray SimulatedRecorder::greeting() const
{
    // VDR writes its local time the way ctime() does: "Sun Dec  6 19:18:03 2026".
    const QDateTime now = localNow();
    const QLocale c = QLocale::c();
    const QString time = c.toString(now, u"ddd MMM "_s) + u"%1"_s.arg(now.date().day(), 2)
        + c.toString(now, u" hh:mm:ss yyyy"_s);
    return "220 " + m_hostName + " SVDRP VideoDiskRecorder " + m_version + "; " + time.toLatin1()
        + "; " + m_charset + "\r\n";
}

RecorderAnswer SimulatedRecorder::answer(QByteArrayView line)
{
    const QByteArray text = line.toByteArray().trimmed();
    qsizetype end = 0;
    while (end < text.size() && !std::isspace(uchar(text.at(end))))
        ++end;
    const QByteArray command = text.left(end);
    const QByteArray option = text.mid(end).trimmed();

    const QByteArray name = command.toLower();
    if (name == "hitk")
        return hitKeys(option);
    if (name == "chan")
        return switchChannel(option);
    if (name == "lstc")
        return listChannels(option);
    if (name == "lste")
        return listProgrammes(option);
    if (name == "lstt")
        return listTimers(option);
    if (name == "newt")
        return newTimer(option);
    if (name == "modt")
        return modifyTimer(option);
    if (name == "delt")
        return deleteTimer(option);
    if (name == "volu")
        return volume(option);
    if (name == "mesg")
        return {option.isEmpty() ? "501 Missing message\r\n" : "250 Message queued\r\n"};
    if (name == "ping")
        return {"250 " + m_hostName + " is alive\r\n"};
    if (name == "quit")
        return {"221 " + m_hostName + " closing connection\r\n", true};
    return {"500 Command unrecognized: \"" + command + "\"\r\n"};
}

RecorderAnswer SimulatedRecorder::hitKeys(const QByteArray &keys)
{
    if (keys.isEmpty()) {
        QByteArray list = "214-Valid <key> names for the HITK command:\r\n";
        for (const char *key : keyNames)
            list += "214-    " + QByteArray(key) + "\r\n";
        return {list + "214 End of key list\r\n"};
    }
    const QList<QByteArray> names = keys.simplified().split(' ');
    for (const QByteArray &name : names) {
        if (!isKeyName(name))
            return {"504 Unknown key: \"" + name + "\"\r\n"};
    }
    for (const QByteArray &name : names) {
        const bool digit = name.size() == 1 && isDigits(name);
        // A number no channel has starts again with the digit typed last.
        m_typedNumber = digit ? m_typedNumber * 10 + name.toInt() : 0;
        if (m_typedNumber > 99999 || channelAt(m_typedNumber) < 0)
            m_typedNumber = digit ? name.toInt() : 0;
        if (m_typedNumber > 0 && channelAt(m_typedNumber) >= 0)
            m_current = channelAt(m_typedNumber);
    }
    return {(names.size() == 1 ? "250 Key \"" : "250 Keys \"") + keys + "\" accepted\r\n"};
}

RecorderAnswer SimulatedRecorder::switchChannel(const QByteArray &option)
{
    if (option == "+" || option == "-") {
        // The next channel in the list, passing over groups, from the last round to the first.
        const qsizetype step = option == "+" ? 1 : m_channels.size() - 1;
        do
            m_current = (m_current + step) % m_channels.size();
        while (m_channels[m_current].isGroup());
    } else if (!option.isEmpty()) {
        // VDR takes only plain channel numbers here: no sign, no fraction.
        const qsizetype at = option.toInt() > 0 ? numberedChannel(option) : -1;
        if (at < 0)
            return {"501 Undefined channel \"" + option + "\"\r\n"};
        m_current = at;
    }
    return {channelLine()};
}

QByteArray SimulatedRecorder::channelLine() const
{
    const SimChannel &channel = m_channels[m_current];
    return "250 " + QByteArray::number(channel.number) + ' ' + channel.name + "\r\n";
}

qsizetype SimulatedRecorder::channelAt(int number) const
{
    if (number == 0)
        return m_current;
    const auto found = std::find_if(m_channels.cbegin(), m_channels.cend(),
                                    [number](const SimChannel &c) { return c.number == number; });
    return found == m_channels.cend() ? -1 : found - m_channels.cbegin();
}

qsizetype SimulatedRecorder::numberedChannel(const QByteArray &digits) const
{
    bool ok = false;
    const int number = digits.toInt(&ok);
    return isDigits(digits) && ok ? channelAt(number) : -1;
}

RecorderAnswer SimulatedRecorder::volume(const QByteArray &option)
{
    // VDR keeps the volume within 0 to 255; the one tried here also moved it to the nearest
    // multiple of 5. Any volume above 0 ends muting; muting keeps the volume for later.
    const auto set = [this](qint64 volume) {
        m_volume = int((std::clamp<qint64>(volume, 0, 255) + 2) / 5 * 5);
        m_muted = m_muted && m_volume == 0;
    };
    if (option == "+" || option == "-")
        set(m_volume + (option == "+" ? 5 : -5));
    else if (option.toLower() == "mute")
        m_muted = !m_muted;
    else if (!option.isEmpty() && isDigits(option))
        set(option.size() > 9 ? 255 : option.toLongLong());
    else if (!option.isEmpty())
        return {"501 Unknown option: \"" + option + "\"\r\n"};
    return {m_muted ? "250 Audio is mute\r\n"
                    : "250 Audio volume is " + QByteArray::number(m_volume) + "\r\n"};
}

QList<QByteArray> LineSplitter::feed(QByteArrayView bytes)
{
    m_pending.append(bytes);
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype end; (end = m_pending.indexOf('\n', start)) >= 0; start = end + 1)
        lines.append(m_pending.sliced(start, end + 1 - start));
    m_pending.remove(0, start);
    return lines;
}

QByteArray LineSplitter::takePending()
{
    return std::exchange(m_pending, {});
}

QString wireText(QByteArrayView bytes)
{
    QString text;
    for (qsizetype at = 0; at < bytes.size();) {
        const uchar byte = uchar(bytes[at]);
        if (byte == '\r') {
            text += u"\\r"_s;
        } else if (byte == '\n') {
            text += u"\\n"_s;
        } else if (byte == '\t') {
            text += u"\\t"_s;
        } else if (byte == '\\') {
            text += u"\\\\"_s;
        } else if (byte >= 0x20 && byte < 0x7f) {
            text += QLatin1Char(char(byte));
        } else if (const qsizetype length = utf8SequenceLength(bytes, at)) {
            // Invisible characters (C1 controls, format characters) would hide bytes.
            const QString character = QString::fromUtf8(bytes.sliced(at, length));
            if (QChar::isPrint(character.toUcs4().constFirst())) {
                text += character;
            } else {
                for (qsizetype i = 0; i < length; ++i)
                    text += escaped(uchar(bytes[at + i]));
            }
            at += length;
            continue;
        } else {
            text += escaped(byte);
        }
        ++at;
    }
    return text;
}
