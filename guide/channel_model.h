// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "programme.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QStringList>

#include <optional>

// The recorder's channels as its LSTC reply lists them: its groups at the top, each holding the
// channels that follow its line, and channels before the first group at the top as well. Column 0
// reads "<number> <name>", column 1 the title of what is on now, once known.
class ChannelModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // Beyond this many channels the list is cut, and a note at its end says so.
    static constexpr int maxChannels = 10000;
    enum Column { NameColumn, NowColumn, ColumnCount };
    enum Role {
        NumberRole = Qt::UserRole, // a channel's number; 0 for a group or the note
    };

    explicit ChannelModel(QObject *parent = nullptr);

    // The lines of an LSTC reply, each the text after its code. A line that is neither a channel
    // nor a group is passed over, as is a channel whose number came before.
    void setChannels(const QStringList &lines);
    void clear();

    // A channel's place, or an invalid index for a number not listed.
    QModelIndex indexOf(int number, int column = NameColumn) const;
    int channelCount() const { return int(m_channels.size()); }
    // A listed channel's name; empty for a number not listed.
    QString name(int number) const;
    // What is on now on the channel, as last read; none where the recorder named nothing.
    void setNow(int number, const std::optional<Programme> &now);
    // Marks what is on now where a timer records it.
    void setTimerCheck(TimerCheck check) { m_timerCheck = std::move(check); }
    void timersChanged();
    // Marks the recorder's current channel; 0 for none.
    void setCurrent(int number);
    int current() const { return m_current; }
    // Whether the channel at index holds text in any of its number, name, short name, provider
    // and title now, letters compared without case.
    bool matches(const QModelIndex &index, QStringView text) const;

    // The row at the end of a cut list that says how many channels it leaves out.
    bool isNote(const QModelIndex &index) const
    {
        return index.isValid() && index.internalId() == 0
            && m_top[index.row()].kind == Top::Kind::Note;
    }

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Channel
    {
        int number = 0;
        QString name, shortName, provider;
        std::optional<Programme> now;
        int top = -1; // its group's row at the top, or its own
        int row = 0; // its row under its parent
    };
    // A row at the top: a group holding channels, a channel outside any group, or the note.
    struct Top
    {
        enum class Kind { Group, Channel, Note } kind = Kind::Group;
        QString text; // a group's name or the note
        QList<int> channels; // a group's, or the channel itself; into m_channels
    };

    const Channel *channelAt(const QModelIndex &index) const;
    bool hasTimer(const Channel &channel) const;

    QList<Channel> m_channels;
    QList<Top> m_top;
    QHash<int, int> m_byNumber; // into m_channels
    int m_current = 0;
    TimerCheck m_timerCheck;
};
