// SPDX-License-Identifier: GPL-2.0-or-later
// An LSTT line, and the same text as NEWT settings: a line is read whole or not at all, what a
// timer list shows of it shows, and a NEWT line built from any text is one line on the wire.
#include "command_lines.h"
#include "require.h"
#include "shows.h"
#include "timer.h"
#include "timer_model.h"

#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<Timer> timer = Timer::parse(text);
    if (timer) {
        require(timer->id > 0 && timer->start.isValid() && timer->stop.isValid(),
                "a timer read has an id and its times");
        require(timer->repeats() || timer->day.isValid(), "a single timer has its day");
        require(timer->file.size() <= Timer::maxFileLength, "the file name is bounded");
        require((timer->channel > 0) != !timer->channelId.isEmpty(), "one way to name a channel");
        const auto span = timer->span(RecorderClock());
        require(timer->repeats() || (span && span->first < span->second),
                "a single timer stops after it starts");
    }
    TimerModel model;
    model.setLines({text}, RecorderClock::fromGreeting(text, QDateTime::currentDateTimeUtc()));
    require(model.rowCount() == 1, "every line is a row");
    require((model.timerAt(model.index(0, 0)) != nullptr) == timer.has_value(),
            "only a line read whole can be acted on");
    for (int column = 0; column < model.columnCount(); ++column) {
        for (const int role : {int(Qt::DisplayRole), int(Qt::AccessibleTextRole)}) {
            const QString shown = model.index(0, column).data(role).toString();
            require(shows(shown.trimmed()) && shown.size() <= 3 * Timer::maxFileLength,
                    "the list shows no control characters and no endless text");
        }
    }
    const QString line = Svdrp::newTimerLine(text);
    require(line.endsWith(u"\r\n") && line.count(u'\r') == 1 && line.count(u'\n') == 1,
            "NEWT is one line");
    return 0;
}
