// SPDX-License-Identifier: GPL-2.0-or-later
// The schedule walk against a recorder whose replies come in any order and size: each input
// byte picks the next event (a reply of some kind to the oldest question, another channel, a
// scroll, a new connection). Whatever comes, one question for the channel shown is out at a time
// and those left from before stay within the byte window, each is a plain "LSTE <n> at <t>",
// the list stays in order without twins and shows, and once the recorder answers nothing more
// the walk ends.
#include "byte_window.h"
#include "fake_link.h"
#include "require.h"
#include "schedule_walk.h"
#include "shows.h"

#include <QRegularExpression>

#include <cstdint>

namespace {

constexpr qint64 noon = 1893499200; // 2030-01-01 12:00 UTC

Reply programmeReply(qint64 at, const uint8_t *bytes)
{
    // A programme around the time asked, of any length, or one no VDR would name.
    const qint64 start = at - qint64(bytes[0]) * 97 + (bytes[1] & 0x80 ? 5000 : 0);
    const qint64 duration = qint64(bytes[1] & 0x7f) * 61 - 30;
    return {215,
            {u"C S19.2E-1-1-5 Five"_s, u"E %1 %2 %3 4E FF"_s.arg(bytes[2]).arg(start).arg(duration),
             u"T \u0007Title %1"_s.arg(bytes[2]), u"S x\ty"_s, u"D a|b"_s, u"e"_s, u"c"_s,
             u"End of EPG data"_s}};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FakeLink link;
    ByteWindow window;
    ScheduleWalk walk(link, window);
    walk.setTimeOfDay([] { return QDateTime::fromSecsSinceEpoch(noon, Qt::UTC); });
    link.connectUp();
    walk.setWanted(40);
    walk.show(5);
    // The oldest questions, asked before the channel or the connection changed.
    qsizetype left = 0;
    const auto answer = [&](const QString &line, const Reply &reply) {
        if (link.answer(line, reply) && left > 0)
            --left;
    };
    static const QRegularExpression question(u"^LSTE ([0-9]+) at ([0-9]+)$"_s);
    const auto check = [&] {
        require(window.used() <= ByteWindow::defaultBudget, "within the byte window");
        for (const QString &line : std::as_const(link.asked))
            require(question.match(line).hasMatch(), "a plain question");
        require(link.asked.size() - left <= 1, "one question at a time for the channel shown");
        const ScheduleModel *model = walk.model();
        QDateTime before;
        for (int day = 0; day < model->rowCount(); ++day) {
            const QModelIndex group = model->index(day, 0);
            require(model->rowCount(group) > 0, "no empty day");
            for (int row = 0; row < model->rowCount(group); ++row) {
                const QModelIndex index = model->index(row, 0, group);
                const Programme *p = model->programmeAt(index);
                require(!before.isValid() || before < p->start, "in order, no twins");
                before = p->start;
                require(shows(index.data().toString()), "rows show");
            }
        }
    };
    for (size_t at = 0; at + 3 <= size; at += 3) {
        const uint8_t *bytes = data + at;
        const QString asked = link.asked.value(0);
        const qint64 time = question.match(asked).captured(2).toLongLong();
        switch (bytes[0] % 8) {
        case 0:
        case 1:
        case 2:
            answer(asked, programmeReply(time, bytes));
            break;
        case 3:
            answer(asked, {550, {u"No schedule found"_s}});
            break;
        case 4:
            answer(asked, {bytes[1] % 2 ? 215 : 451, {QString(bytes[2], u'x')}});
            break;
        case 5:
            left = link.asked.size();
            walk.show(bytes[1] % 4);
            break;
        case 6:
            walk.setWanted(bytes[1]);
            break;
        case 7:
            // As the guide does: a new connection owes nothing.
            link.end();
            window.reset();
            left = 0;
            link.connectUp();
            break;
        }
        check();
    }
    // A recorder with nothing more to say ends the walk within a day of steps and narrowing.
    walk.setWanted(ScheduleWalk::mostProgrammes);
    for (int asks = 0; !link.asked.isEmpty(); ++asks) {
        require(asks < 200, "the walk ends");
        link.answer(link.asked.first(), {550, {u"No schedule found"_s}});
    }
    require(walk.isDone() || !link.isUp(), "done once nothing more comes");
    check();
    return 0;
}
