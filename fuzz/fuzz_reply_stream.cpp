// SPDX-License-Identifier: GPL-2.0-or-later
// What the recorder sends, as the link reads it: a greeting and replies in pieces of any size.
// Every line must come out as a plain split of the whole stream gives it, whatever the pieces;
// the greeting's fields must come from its line; replies must end exactly on their last lines
// and pair with the oldest asker, never with more askers than there are.
#include "greeting.h"
#include "recorder_charset.h"
#include "reply_lines.h"
#include "reply_pairing.h"
#include "require.h"

#include <QByteArrayList>
#include <QObject>

#include <algorithm>
#include <cstdint>

namespace {

// A line as the link keeps it: without its line end and one CR before that, cut to the room.
QByteArray reference(QByteArrayView line)
{
    line = line.first(std::min(line.size(), ReplyLines::maxLength + 1));
    if (line.endsWith('\r'))
        line.chop(1);
    return line.first(std::min(line.size(), ReplyLines::maxLength)).toByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // The first byte: how many lines of ours wait for replies; the second: the pieces' sizes.
    const int asked = data[0] % 8;
    const std::uint8_t pieceSeed = data[1];
    const QByteArrayView stream(reinterpret_cast<const char *>(data) + 2, qsizetype(size) - 2);

    QByteArrayList expected;
    for (qsizetype start = 0, end; (end = stream.indexOf('\n', start)) >= 0; start = end + 1)
        expected.append(reference(stream.sliced(start, end - start)));

    ReplyLines lines;
    QByteArrayList got;
    std::uint8_t seed = pieceSeed;
    for (qsizetype at = 0; at < stream.size();) {
        seed = std::uint8_t(seed * 37 + 11);
        const qsizetype piece = std::min<qsizetype>(stream.size() - at, 1 + seed % 64);
        lines.feed(stream.sliced(at, piece), [&](QByteArrayView line) {
            require(line.size() <= ReplyLines::maxLength, "a line beyond the room");
            got.append(line.toByteArray());
        });
        at += piece;
    }
    require(got == expected, "the pieces gave other lines than the plain split");
    if (got.isEmpty())
        return 0;

    // The first line is the greeting; its fields are parts of it, decoded in its character set.
    const QByteArray &first = got.front();
    const Greeting greeting = Greeting::parse(first);
    for (const QByteArray *field : {&greeting.host, &greeting.version, &greeting.charset})
        require(field->isEmpty() || first.contains(*field), "a greeting field not from its line");
    RecorderCharset charset(greeting.charset);

    // Askers that want their replies, the whole or the last line by turns.
    QObject asker;
    ReplyPairing pairing;
    for (int i = 0; i < asked; ++i)
        pairing.expect({QDeadlineTimer::Forever, &asker, [](const Reply &) {},
                        i % 2 ? ReplyPairing::Keep::LastLine : ReplyPairing::Keep::AllLines});
    int completed = 0;
    for (qsizetype i = 1; i < got.size(); ++i) {
        const QByteArray &line = got[i];
        charset.decode(line);
        const ReplyLines::Line parsed = ReplyLines::parse(line);
        const bool waiting = !pairing.isEmpty();
        const std::optional<ReplyPairing::Completed> reply = pairing.take(line);
        require(bool(reply) == (waiting && parsed.code != 0 && parsed.last),
                "a reply did not end exactly on its last line");
        if (!reply)
            continue;
        const bool whole = completed++ % 2 == 0;
        require(reply->code == parsed.code, "a reply with another code than its last line");
        require(!reply->lines.isEmpty() && reply->lines.back() == parsed.text,
                "a reply without its last line's text");
        qsizetype bytes = 0;
        for (const QByteArray &kept : reply->lines)
            bytes += kept.size();
        require(whole ? bytes <= ReplyPairing::maxBytes + ReplyLines::maxLength
                      : reply->lines.size() == 1,
                "a reply beyond its room");
    }
    require(completed <= asked, "more replies than askers");
    return 0;
}
