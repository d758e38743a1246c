// SPDX-License-Identifier: GPL-2.0-or-later
#include "channel_list.h"

#include <QByteArrayList>

namespace {

// The fields of a channel line, as vdr(5) names them.
enum Field { Name, Source = 3, ServiceId = 9, NetworkId, TransportId, RadioId, FieldCount };

std::optional<SimChannel> channel(const QByteArray &line, int number)
{
    const QByteArrayList fields = line.split(':');
    if (fields.size() < FieldCount)
        return std::nullopt;
    QByteArray name = fields[Name];
    name.truncate(name.indexOf(';') < 0 ? name.size() : name.indexOf(';'));
    name.truncate(name.lastIndexOf(',') < 0 ? name.size() : name.lastIndexOf(','));
    if (name.trimmed().isEmpty())
        return std::nullopt;
    QByteArray id = fields[Source] + '-' + fields[NetworkId] + '-' + fields[TransportId] + '-'
        + fields[ServiceId];
    if (fields[RadioId] != "0")
        id += '-' + fields[RadioId];
    return SimChannel {number, 0, line, id, name.replace('|', ':')};
}

} // namespace

std::optional<QList<SimChannel>> readChannelsConf(QByteArrayView text, int &badLine)
{
    QList<SimChannel> channels;
    int next = 1;
    badLine = 0;
    for (const QByteArray &raw : text.toByteArray().split('\n')) {
        ++badLine;
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(':')) {
            // ":@201 Name": the next channel is 201, unless that would go back.
            SimChannel group;
            QByteArray name = line.sliced(1);
            if (name.startsWith('@')) {
                const qsizetype end = name.indexOf(' ') < 0 ? name.size() : name.indexOf(' ');
                group.groupNumber = name.mid(1, end - 1).toInt();
                name = name.mid(end + 1);
                next = std::max(next, group.groupNumber);
            }
            group.name = name;
            channels.append(group);
        } else if (const std::optional<SimChannel> found = channel(line, next)) {
            channels.append(*found);
            ++next;
        } else {
            return std::nullopt;
        }
    }
    badLine = 0;
    return channels;
}

QList<SimChannel> standardChannels()
{
    // Lines from Debian's channels.conf; phoenix keeps the spelling the simulator always had.
    int badLine = 0;
    return *readChannelsConf(
        "Das Erste HD;ARD:11493:HC23M5O35P0S1:S19.2E:22000:5101=27:5102=deu@3,5103=mis@3;"
        "5106=deu@106:5104;5105=deu:0:10301:1:1019:0\n"
        "ZDF HD;ZDFvision:11362:HC23M5O35P0S1:S19.2E:22000:6110=27:6120=deu@3,6121=mis@3,"
        "6123=mul@3;6122=deu@106:6130;6131=deu:0:11110:1:1011:0\n"
        "3sat HD;ZDFvision:11347:VC23M5O35P0S1:S19.2E:22000:6510=27:6520=deu@3,6521=mis@3,"
        "6523=mul@3;6522=deu@106:6530;6531=deu:0:11150:1:1010:0\n"
        "arte HD;ARD:11493:HC23M5O35P0S1:S19.2E:22000:5111=27:5112=deu@3,5113=fra@3,"
        "5117=mis@3;5116=mul@106:5114;5115=deu,5118=fra,5119=deu:0:10302:1:1019:0\n"
        "phoenix HD;ARD:11582:HC23M5O35P0S1:S19.2E:22000:5261=27:5262=deu@3,5263=mul@3:5264:0:"
        "10331:1:1025:0\n",
        badLine);
}

QList<SimChannel> generatedChannels(int count)
{
    QByteArray conf;
    for (int n = 1; n <= count; ++n) {
        const QByteArray number = QByteArray::number(n);
        if (n % 50 == 1)
            conf += ":Channels " + number + " to " + QByteArray::number(std::min(n + 49, count))
                + '\n';
        // Every 25th shows a ":" in its name, every 7th a short name, every other a provider.
        conf += "Channel " + number + (n % 25 == 0 ? "|Plus" : "")
            + (n % 7 == 0 ? ",Ch" + number : QByteArray()) + (n % 2 == 0 ? ";Sim Media" : "") + ':'
            + QByteArray::number(10700 + n % 2000) + ":HC34M2S0:S19.2E:27500:"
            + QByteArray::number(1000 + n) + "=2:" + QByteArray::number(3000 + n)
            + "=deu@3:0:0:" + number + ":1:" + QByteArray::number(1000 + n / 50) + ":0\n";
    }
    int badLine = 0;
    return *readChannelsConf(conf, badLine);
}
