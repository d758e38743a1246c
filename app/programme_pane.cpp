// SPDX-License-Identifier: GPL-2.0-or-later
#include "programme_pane.h"

#include "recorder_guide.h"
#include "twips.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

// The description shows this many lines before it scrolls.
constexpr int descriptionLines = 3;

QTreeView *listView(QWidget *parent, QLatin1StringView name, const QString &accessibleName)
{
    auto *view = new QTreeView(parent);
    view->setObjectName(name);
    view->setAccessibleName(accessibleName);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->header()->setStretchLastSection(true);
    return view;
}

QPushButton *button(QWidget *parent, QLatin1StringView name, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

// The timer as the user chose it: after a dialog the list may have been read anew.
bool sameTimer(const Timer &a, const Timer &b)
{
    return a.id == b.id && a.file == b.file && a.day == b.day && a.weekdays == b.weekdays
        && a.start == b.start && a.stop == b.stop;
}

} // namespace

ProgrammePane::ProgrammePane(RecorderGuide &guide, QWidget *parent, QRect placeTwips)
    : QGroupBox(u"programmes and timers"_s, parent)
    , m_guide(guide)
{
    setObjectName("frm_programmes"_L1);
    setGeometry(twips(placeTwips.x(), placeTwips.y(), placeTwips.width(), placeTwips.height()));
}

void ProgrammePane::build()
{
    if (tab_lists)
        return;
    auto *layout = new QVBoxLayout(this);
    tab_lists = new QTabWidget(this);
    tab_lists->setObjectName("tab_lists"_L1);
    layout->addWidget(tab_lists);
    buildSchedule(tab_lists);
    buildTimers(tab_lists);
    // Tabs named apart from the band's Schedule and Timers keys, which open the recorder's own.
    for (int tab = 0; tab < tab_lists->count(); ++tab)
        tab_lists->tabBar()->setAccessibleTabName(tab, tab_lists->tabText(tab));

    m_wanted.setSingleShot(true);
    connect(&m_wanted, &QTimer::timeout, this, &ProgrammePane::noteWanted);
    connect(&m_guide, &RecorderGuide::currentChanged, this, &ProgrammePane::showChannel);
    connect(m_guide.schedule(), &ScheduleWalk::finished, this, &ProgrammePane::showScheduleState);
    // Made after the frame was shown, so shown one by one.
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->show();
    showChannel();
}

void ProgrammePane::buildSchedule(QTabWidget *tabs)
{
    auto *page = new QWidget(tabs);
    auto *layout = new QVBoxLayout(page);
    ScheduleModel *model = m_guide.schedule()->model();
    lst_schedule = listView(page, "lst_schedule"_L1, u"Programme schedule"_s);
    lst_schedule->setModel(model);
    lst_schedule->setHeaderHidden(true);
    lst_schedule->setItemsExpandable(false);
    lst_schedule->setIndentation(0);
    lst_schedule->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lst_schedule->header()->setMinimumSectionSize(0);
    lst_schedule->installEventFilter(this);
    lst_schedule->viewport()->installEventFilter(this);
    lbl_schedule_state = new QLabel(lst_schedule->viewport());
    lbl_schedule_state->setObjectName("lbl_schedule_state"_L1);
    lbl_schedule_state->setAlignment(Qt::AlignCenter);
    lbl_schedule_state->setWordWrap(true);
    layout->addWidget(lst_schedule, 1);

    txt_description = new QPlainTextEdit(page);
    txt_description->setObjectName("txt_description"_L1);
    txt_description->setAccessibleName(u"Programme description"_s);
    txt_description->setReadOnly(true);
    txt_description->setFixedHeight(txt_description->fontMetrics().lineSpacing() * descriptionLines
                                    + 2 * txt_description->frameWidth()
                                    + int(2 * txt_description->document()->documentMargin()));
    layout->addWidget(txt_description);

    cmd_record_programme = button(page, "cmd_record_programme"_L1, u"Record programme"_s);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmd_record_programme);
    buttons->addStretch();
    layout->addLayout(buttons);
    tabs->addTab(page, u"Channel schedule"_s);

    const auto look = [this] {
        m_wanted.start(0);
    };
    connect(lst_schedule->verticalScrollBar(), &QScrollBar::valueChanged, this, look);
    connect(model, &QAbstractItemModel::modelReset, this, [this, look] {
        txt_description->clear();
        showScheduleState();
        look();
    });
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this, model, look](const QModelIndex &parent, int first, int last) {
                // A day opens with its programmes; days are headers, not folders.
                for (int row = first; !parent.isValid() && row <= last; ++row)
                    lst_schedule->expand(model->index(row, 0));
                showScheduleState();
                look();
            });
    connect(lst_schedule->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ProgrammePane::programmeChosen);
    connect(cmd_record_programme, &QPushButton::clicked, this, &ProgrammePane::recordChosen);
    connect(lst_schedule, &QWidget::customContextMenuRequested, this, &ProgrammePane::scheduleMenu);
}

void ProgrammePane::buildTimers(QTabWidget *tabs)
{
    auto *page = new QWidget(tabs);
    auto *layout = new QVBoxLayout(page);
    lst_timers = listView(page, "lst_timers"_L1, u"Timer list"_s);
    lst_timers->setModel(m_guide.timers()->model());
    lst_timers->setItemsExpandable(false);
    // The state, channel and time are short; a long file name is cut at the pane's edge.
    for (const int column :
         {TimerModel::StateColumn, TimerModel::ChannelColumn, TimerModel::WhenColumn})
        lst_timers->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    layout->addWidget(lst_timers, 1);
    cmd_toggle_timer = button(page, "cmd_toggle_timer"_L1, u"Timer on/off"_s);
    cmd_delete_timer = button(page, "cmd_delete_timer"_L1, u"Delete timer"_s);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmd_toggle_timer);
    buttons->addWidget(cmd_delete_timer);
    buttons->addStretch();
    layout->addLayout(buttons);
    tabs->addTab(page, u"Recorder timers"_s);

    // The list is read anew after every change: the timer chosen stays chosen.
    TimerModel *model = m_guide.timers()->model();
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        const Timer *timer = chosenTimer();
        m_chosenTimer = timer ? timer->id : 0;
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this, model] {
        for (int row = 0; m_chosenTimer && row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            if (const Timer *timer = model->timerAt(index); timer && timer->id == m_chosenTimer)
                lst_timers->setCurrentIndex(index);
        }
    });
    connect(cmd_toggle_timer, &QPushButton::clicked, this, &ProgrammePane::toggleChosen);
    connect(cmd_delete_timer, &QPushButton::clicked, this, &ProgrammePane::deleteChosen);
    connect(lst_timers, &QWidget::customContextMenuRequested, this, &ProgrammePane::timerMenu);
}

void ProgrammePane::choose(int number)
{
    m_chosen = number;
    if (tab_lists)
        showChannel();
}

void ProgrammePane::showChannel()
{
    // The current channel's programmes changing is no reason to read its schedule again.
    const int number = m_chosen > 0 ? m_chosen : m_guide.current().number;
    if (number != m_shown) {
        m_shown = number;
        m_guide.schedule()->show(number);
    }
    showScheduleState();
    m_wanted.start(0);
}

bool ProgrammePane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lst_schedule->viewport()) {
        if (event->type() == QEvent::Resize) {
            lbl_schedule_state->setGeometry(lst_schedule->viewport()->rect());
            // The time and title take the most room; the episode's name is cut first.
            lst_schedule->header()->resizeSection(0, lst_schedule->viewport()->width() * 3 / 5);
            m_wanted.start(0);
        } else if (event->type() == QEvent::Show) {
            m_wanted.start(0);
        }
        return false;
    }
    if (watched == lst_schedule && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            recordChosen();
            return true;
        }
    }
    return false;
}

void ProgrammePane::changeEvent(QEvent *event)
{
    // Offline the list is empty for want of a connection, not of programmes.
    if (event->type() == QEvent::EnabledChange && lbl_schedule_state)
        showScheduleState();
    QGroupBox::changeEvent(event);
}

// The walk reads as far as the last row in view, and a screen more.
void ProgrammePane::noteWanted()
{
    if (!lst_schedule->isVisible())
        return;
    const ScheduleModel *model = m_guide.schedule()->model();
    QWidget *viewport = lst_schedule->viewport();
    const int rowHeight = std::max(1,
                                   model->rowCount() ? lst_schedule->sizeHintForRow(0)
                                                     : lst_schedule->fontMetrics().height());
    const int screen = viewport->height() / rowHeight + 1;
    int shown = model->programmeCount();
    const QModelIndex bottom = lst_schedule->indexAt(QPoint(0, viewport->height() - 1));
    if (bottom.isValid()) {
        const QModelIndex day = bottom.parent().isValid() ? bottom.parent() : bottom;
        shown = bottom.parent().isValid() ? bottom.row() + 1 : 0;
        for (int earlier = 0; earlier < day.row(); ++earlier)
            shown += model->rowCount(model->index(earlier, 0));
    }
    m_guide.schedule()->setWanted(shown + screen);
}

void ProgrammePane::showScheduleState()
{
    ScheduleWalk *walk = m_guide.schedule();
    const bool empty = walk->model()->rowCount() == 0;
    lbl_schedule_state->setVisible(empty);
    if (!isEnabled())
        lbl_schedule_state->clear();
    else
        lbl_schedule_state->setText(walk->isDone() ? u"No programmes"_s
                                                   : u"Loading schedule\u2026"_s);
}

void ProgrammePane::programmeChosen()
{
    const Programme *programme
        = m_guide.schedule()->model()->programmeAt(lst_schedule->currentIndex());
    txt_description->setPlainText(programme ? programme->description : QString());
}

void ProgrammePane::recordChosen()
{
    const ScheduleModel *model = m_guide.schedule()->model();
    if (const Programme *programme = model->programmeAt(lst_schedule->currentIndex()))
        m_guide.timers()->record(model->channel(), *programme);
}

void ProgrammePane::scheduleMenu(const QPoint &at)
{
    const QModelIndex row = lst_schedule->indexAt(at);
    if (!m_guide.schedule()->model()->programmeAt(row))
        return;
    lst_schedule->setCurrentIndex(row);
    QMenu menu(this);
    connect(menu.addAction(u"Record programme"_s), &QAction::triggered, this,
            &ProgrammePane::recordChosen);
    menu.exec(lst_schedule->viewport()->mapToGlobal(at));
}

void ProgrammePane::timerMenu(const QPoint &at)
{
    const QModelIndex row = lst_timers->indexAt(at);
    if (!m_guide.timers()->model()->timerAt(row))
        return;
    lst_timers->setCurrentIndex(row);
    QMenu menu(this);
    connect(menu.addAction(u"Timer on/off"_s), &QAction::triggered, this,
            &ProgrammePane::toggleChosen);
    connect(menu.addAction(u"Delete timer"_s), &QAction::triggered, this,
            &ProgrammePane::deleteChosen);
    menu.exec(lst_timers->viewport()->mapToGlobal(at));
}

const Timer *ProgrammePane::chosenTimer() const
{
    const QModelIndex row = lst_timers->currentIndex();
    const bool chosen = lst_timers->selectionModel()->isRowSelected(row.row(), row.parent());
    return chosen ? m_guide.timers()->model()->timerAt(row) : nullptr;
}

void ProgrammePane::toggleChosen()
{
    if (const Timer *timer = chosenTimer())
        m_guide.timers()->toggle(timer->id);
}

void ProgrammePane::deleteChosen()
{
    const Timer *chosen = chosenTimer();
    if (!chosen)
        return;
    const Timer timer = *chosen;
    QString question = u"Delete the timer \u201c%1\u201d, %2?"_s.arg(
        timer.shownFile(), m_guide.timers()->model()->when(timer));
    if (timer.isRecording())
        question += u"\n\nIt is recording now: the recording stops."_s;
    QMessageBox box(QMessageBox::Question, u"Delete timer"_s, question,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        return;
    // Meanwhile the list may have been read anew, over another connection even.
    const Timer *now = m_guide.timers()->model()->timer(timer.id);
    if (now && sameTimer(*now, timer))
        m_guide.timers()->remove(timer.id);
}
