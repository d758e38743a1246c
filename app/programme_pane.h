// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QGroupBox>
#include <QTimer>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeView;
class RecorderGuide;
struct Timer;

// Beside the channel panel, on two tabs: the schedule of the channel chosen in the list (or of
// the current one), the chosen programme's description and a way to record it; and the
// recorder's timers, to switch on or off or delete. The lists' keys are their own, as the
// channel list's are.
class ProgrammePane : public QGroupBox
{
    Q_OBJECT

public:
    // The pane's place in its parent, in twips. Only the frame is made here, as for the
    // channel panel.
    ProgrammePane(RecorderGuide &guide, QWidget *parent, QRect placeTwips);
    void build();
    // The channel chosen in the channel list; 0 shows the current channel's schedule.
    void choose(int number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildSchedule(QTabWidget *tabs);
    void buildTimers(QTabWidget *tabs);
    void showChannel();
    void noteWanted();
    void showScheduleState();
    void programmeChosen();
    void recordChosen();
    void scheduleMenu(const QPoint &at);
    void timerMenu(const QPoint &at);
    const Timer *chosenTimer() const;
    void toggleChosen();
    void deleteChosen();

    RecorderGuide &m_guide;
    int m_chosen = 0;
    int m_shown = 0; // the channel whose schedule is shown
    int m_chosenTimer = 0; // its id, while the timer list is read anew
    QTabWidget *tab_lists = nullptr;
    QTreeView *lst_schedule = nullptr;
    QLabel *lbl_schedule_state = nullptr;
    QPlainTextEdit *txt_description = nullptr;
    QPushButton *cmd_record_programme = nullptr;
    QTreeView *lst_timers = nullptr;
    QPushButton *cmd_toggle_timer = nullptr;
    QPushButton *cmd_delete_timer = nullptr;
    // Gathers scrolling, resizing and new rows into one look at how far the schedule is shown.
    QTimer m_wanted;
};
