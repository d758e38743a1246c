// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QGroupBox>
#include <QTimer>
#include <functional>

class ChannelFilter;
class QLineEdit;
class QModelIndex;
class QProgressBar;
class QTreeView;
class RecorderGuide;
class StatusLabel;

// The recorder's channels beside the handset: a filter box, the list by groups with what is on
// now, and the current channel with its programme now and next under it. Enter or a double
// click on a channel switches to it.
class ChannelPanel : public QGroupBox
{
    Q_OBJECT

public:
    using SwitchTo = std::function<void(int number)>;
    // The panel's place in its parent, in twips; its widgets are laid out on the same grid.
    // Only the frame is made here: the first picture shows an empty, disabled list anyway.
    ChannelPanel(RecorderGuide &guide, SwitchTo switchTo, QWidget *parent, QRect placeTwips);
    // Makes the filter box, the list and the lines under it, showing the guide as it is now.
    void build();

Q_SIGNALS:
    // The channel chosen in the list, or 0 when none is.
    void chosen(int number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void switchToRow(const QModelIndex &index);
    void filterChanged(const QString &text);
    void listChanged();
    void currentChanged();
    void showCurrentRow();
    void showProgress();
    void noteRowsInView();

    RecorderGuide &m_guide;
    SwitchTo m_switchTo;
    QRect m_placeTwips;
    ChannelFilter *m_filter = nullptr;
    QLineEdit *txt_filter = nullptr;
    QTreeView *lst_channels = nullptr;
    StatusLabel *lbl_channel = nullptr;
    StatusLabel *lbl_now = nullptr;
    QProgressBar *bar_now = nullptr;
    StatusLabel *lbl_next = nullptr;
    // The channel whose row was last brought into view; a new programme alone does not move the
    // list the user may have scrolled.
    int m_rowShownFor = 0;
    // Gathers scrolling, filtering and resizing into one look at the rows in view.
    QTimer m_rowsInView;
    QTimer m_progress;
};
