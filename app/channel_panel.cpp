// SPDX-License-Identifier: GPL-2.0-or-later
#include "channel_panel.h"

#include "channel_filter.h"
#include "recorder_guide.h"
#include "status_label.h"
#include "twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

constexpr int marginTwips = 120;
constexpr int lineTwips = 255;
constexpr int boxTwips = 285;
constexpr int barTwips = 90;
// More rows than any screen shows at once: the titles asked for stay few.
constexpr int mostRowsInView = 100;

QString timeAndTitle(const Programme &programme)
{
    return u"%1 %2"_s.arg(programme.start.toLocalTime().toString(u"HH:mm"_s), programme.title);
}

} // namespace

ChannelPanel::ChannelPanel(RecorderGuide &guide, SwitchTo switchTo, QWidget *parent,
                           QRect placeTwips)
    : QGroupBox(u"channels"_s, parent)
    , m_guide(guide)
    , m_switchTo(std::move(switchTo))
    , m_placeTwips(placeTwips)
{
    setObjectName("frm_channels"_L1);
    setGeometry(twips(placeTwips.x(), placeTwips.y(), placeTwips.width(), placeTwips.height()));
}

void ChannelPanel::build()
{
    if (lst_channels)
        return;
    RecorderGuide &guide = m_guide;
    const int inner = m_placeTwips.width() - 2 * marginTwips;
    const int bottom = m_placeTwips.height() - marginTwips;

    txt_filter = new QLineEdit(this);
    txt_filter->setObjectName("txt_filter"_L1);
    txt_filter->setAccessibleName(u"Filter channels"_s);
    txt_filter->setPlaceholderText(u"Filter"_s);
    txt_filter->setClearButtonEnabled(true);
    txt_filter->setGeometry(twips(marginTwips, 360, inner, boxTwips));
    txt_filter->installEventFilter(this);

    m_filter = new ChannelFilter(guide.channels(), this);
    lst_channels = new QTreeView(this);
    lst_channels->setObjectName("lst_channels"_L1);
    // Named apart from the band's Channels key, which opens the recorder's own list.
    lst_channels->setAccessibleName(u"Channel list"_s);
    lst_channels->setModel(m_filter);
    lst_channels->setHeaderHidden(true);
    lst_channels->setRootIsDecorated(false);
    lst_channels->setItemsExpandable(false);
    lst_channels->setUniformRowHeights(true);
    lst_channels->setIndentation(0);
    lst_channels->setAllColumnsShowFocus(true);
    lst_channels->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lst_channels->setSelectionBehavior(QAbstractItemView::SelectRows);
    lst_channels->header()->setStretchLastSection(true);
    lst_channels->header()->setMinimumSectionSize(0);
    lst_channels->installEventFilter(this);
    const int listTop = 360 + boxTwips + 75;
    const int nextTop = bottom - lineTwips;
    const int barTop = nextTop - barTwips - 30;
    const int nowTop = barTop - lineTwips - 15;
    const int channelTop = nowTop - lineTwips - 15;
    lst_channels->setGeometry(twips(marginTwips, listTop, inner, channelTop - 75 - listTop));
    lst_channels->header()->resizeSection(0, lst_channels->width() * 11 / 20);

    const auto line = [this, inner](const char *name, int top) {
        auto *label = new StatusLabel(this);
        label->setObjectName(QLatin1StringView(name));
        label->setElideMode(Qt::ElideRight);
        label->setGeometry(twips(marginTwips, top, inner, lineTwips));
        return label;
    };
    lbl_channel = line("lbl_channel", channelTop);
    lbl_now = line("lbl_now", nowTop);
    bar_now = new QProgressBar(this);
    bar_now->setObjectName("bar_now"_L1);
    bar_now->setAccessibleName(u"Programme now"_s);
    bar_now->setTextVisible(false);
    bar_now->setGeometry(twips(marginTwips, barTop, inner, barTwips));
    bar_now->hide();
    lbl_next = line("lbl_next", nextTop);

    m_rowsInView.setSingleShot(true);
    connect(&m_rowsInView, &QTimer::timeout, this, &ChannelPanel::noteRowsInView);
    const auto look = [this] {
        m_rowsInView.start(0);
    };
    connect(lst_channels->verticalScrollBar(), &QScrollBar::valueChanged, this, look);
    connect(m_filter, &QAbstractItemModel::modelReset, this, look);
    connect(m_filter, &QAbstractItemModel::rowsInserted, this,
            [this, look](const QModelIndex &parent, int first, int last) {
                // A group back in view opens with its channels, as all groups are.
                for (int row = first; !parent.isValid() && row <= last; ++row)
                    lst_channels->expand(m_filter->index(row, 0));
                look();
            });
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, look);
    m_progress.setInterval(std::chrono::seconds(30));
    connect(&m_progress, &QTimer::timeout, this, &ChannelPanel::showProgress);
    connect(txt_filter, &QLineEdit::textChanged, this, &ChannelPanel::filterChanged);
    connect(lst_channels, &QTreeView::doubleClicked, this, &ChannelPanel::switchToRow);
    connect(lst_channels->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = lst_channels->selectionModel()->selectedRows();
        Q_EMIT chosen(rows.isEmpty() ? 0 : rows.first().data(ChannelModel::NumberRole).toInt());
    });
    connect(&guide, &RecorderGuide::listChanged, this, &ChannelPanel::listChanged);
    connect(&guide, &RecorderGuide::currentChanged, this, &ChannelPanel::currentChanged);
    // Made after the panel was shown, so shown one by one, and the guide may have read a list.
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->setVisible(child != bar_now);
    listChanged();
}

bool ChannelPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == txt_filter && key == Qt::Key_Escape && !txt_filter->text().isEmpty()) {
        txt_filter->clear();
        return true;
    }
    if (watched == txt_filter && key == Qt::Key_Down) {
        lst_channels->setFocus();
        return true;
    }
    if (!enter)
        return false;
    // From the filter box, Enter takes the channel chosen in the list, or else the first shown.
    QModelIndex chosen = lst_channels->currentIndex();
    if (watched == txt_filter && !lst_channels->selectionModel()->isSelected(chosen)) {
        chosen = {};
        for (QModelIndex row = m_filter->index(0, 0); row.isValid() && !chosen.isValid();
             row = lst_channels->indexBelow(row)) {
            if (row.data(ChannelModel::NumberRole).toInt() > 0)
                chosen = row;
        }
    }
    switchToRow(chosen);
    return true;
}

void ChannelPanel::switchToRow(const QModelIndex &index)
{
    if (const int number = index.data(ChannelModel::NumberRole).toInt(); number > 0)
        m_switchTo(number);
}

void ChannelPanel::filterChanged(const QString &text)
{
    m_filter->setText(text);
    lst_channels->expandAll();
    // With the whole list back, it opens where the current channel is.
    if (text.isEmpty())
        showCurrentRow();
    m_rowsInView.start(0);
}

void ChannelPanel::listChanged()
{
    lst_channels->expandAll();
    m_rowShownFor = 0;
    currentChanged();
    m_rowsInView.start(0);
}

void ChannelPanel::currentChanged()
{
    const RecorderGuide::Current &current = m_guide.current();
    if (current.number == 0) {
        for (StatusLabel *label : {lbl_channel, lbl_now, lbl_next})
            label->setStatus({});
        bar_now->hide();
        m_progress.stop();
        return;
    }
    lbl_channel->setStatus(u"%1 %2"_s.arg(current.number).arg(current.name));
    if (current.number != m_rowShownFor)
        showCurrentRow();
    if (current.noData) {
        lbl_now->setStatus(u"no programme data"_s);
        lbl_next->setStatus({});
    } else {
        lbl_now->setStatus(current.now ? timeAndTitle(*current.now) : QString(),
                           current.now ? current.now->shortText : QString());
        lbl_next->setStatus(current.next ? timeAndTitle(*current.next) : QString(),
                            current.next ? current.next->shortText : QString());
    }
    showProgress();
}

void ChannelPanel::showCurrentRow()
{
    const int number = m_guide.current().number;
    const QModelIndex row = m_filter->mapFromSource(m_guide.channels()->indexOf(number));
    if (!row.isValid())
        return;
    lst_channels->scrollTo(row);
    m_rowShownFor = number;
}

void ChannelPanel::showProgress()
{
    const std::optional<Programme> &now = m_guide.current().now;
    bar_now->setVisible(now.has_value());
    if (!now) {
        m_progress.stop();
        return;
    }
    bar_now->setRange(0, int(now->duration));
    bar_now->setValue(int(
        std::clamp<qint64>(now->start.secsTo(QDateTime::currentDateTimeUtc()), 0, now->duration)));
    bar_now->setToolTip(u"until %1"_s.arg(now->end().toLocalTime().toString(u"HH:mm"_s)));
    m_progress.start();
}

void ChannelPanel::noteRowsInView()
{
    QList<int> numbers;
    const int height = lst_channels->viewport()->height();
    for (QModelIndex row = lst_channels->indexAt(QPoint(0, 0)); row.isValid()
         && numbers.size() < mostRowsInView && lst_channels->visualRect(row).top() < height;
         row = lst_channels->indexBelow(row)) {
        if (const int number = row.data(ChannelModel::NumberRole).toInt(); number > 0)
            numbers.append(number);
    }
    m_guide.showRows(numbers);
}
