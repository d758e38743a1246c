// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class ThreadRecorder;

struct PanelFigures
{
    // A Menu click to its answer while the rows in view load their programmes over the slow link,
    // in ms, and the reply bytes the recorder still had to write ahead of it when it came.
    std::vector<double> pressMs;
    std::vector<std::size_t> bytesAhead;
    // A keystroke in the filter box to the list painted anew, in ms.
    std::vector<double> keystrokeMs;
    std::string error;
};

// The handset window in this process against the recorder listing that many channels, writing
// its replies at slowRate bytes a second for the presses and as fast as it can for the keys.
PanelFigures measurePanel(ThreadRecorder &recorder, int channels, std::size_t slowRate);

struct ScheduleFigures
{
    // From asking the schedule to its last programme listed, and how many were listed.
    double walkMs = 0;
    int programmes = 0;
    // A Menu click to its answer while the schedule loads, in ms.
    std::vector<double> pressMs;
    // Resident memory with the schedule listed, less than before it was asked.
    double addedMiB = 0;
    std::string error;
};

// The handset window in this process showing channel 1's schedule, which the recorder writes at
// rate bytes a second, with Menu clicks while it loads.
ScheduleFigures measureSchedule(ThreadRecorder &recorder, int channels, std::size_t rate);
