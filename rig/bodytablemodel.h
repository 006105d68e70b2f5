#pragma once

#include "engine/bodycheck.h"
#include "engine/bodyfield.h"
#include "engine/bodyrow.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QStringList>
#include <QVector>

// Every body of a rig as the engine or the broker hands it out, one row per
// host and port, and the roster's absent bodies as rows of their own; always
// in the lister's order, so that a view left unsorted shows the rig as the
// lister prints it.
class QStyle;

class BodyTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class State { Reading, Read, Failed, Unplugged, Missing };

    static constexpr int SortRole = Qt::UserRole + 1;
    static constexpr int StateRole = Qt::UserRole + 2;

    explicit BodyTableModel(QObject *parent = nullptr);

    void reading(const BodyRow &body);
    void read(const BodyRow &row);
    void unplugged(const BodyRow &body);
    void clearUnplugged();

    // Rows heard over a broker whose connection is gone: kept, and said to
    // be what was last heard.
    void setStale(bool stale);
    bool isStale() const { return stale; }

    void setCheck(const BodyCheck &check);
    const BodyCheck &check() const { return bodyCheck; }

    int count() const { return entries.size(); }
    // Rows of one body: a port is unique on its host, and a body that came
    // over a broker without one is placed by its location there.
    static bool sameBody(const BodyRow &a, const BodyRow &b);
    // The row of the body, but for a roster's missing ones; -1 where none.
    int rowOf(const BodyRow &body) const;
    const BodyRow &rowAt(int row) const { return entryAt(row).row; }
    State stateAt(int row) const { return entryAt(row).state; }
    QVector<BodyRow> rows() const;
    QVector<BodyRow> attachedRows() const;

    struct Counts {
        int bodies = 0;
        int reading = 0;
        int missing = 0;
        int unknown = 0;
        int failed = 0;
        int unplugged = 0;
    };
    Counts counts() const;

    // The fields the columns show, by key, in their order; "check" is the
    // status, "location" the body's place and "host" the computer it is on
    // (shown only over a broker).
    static const QStringList &columns();
    static int columnOf(const QString &key);
    void retranslate();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Entry {
        BodyRow row;
        State state = State::Reading;
        // A Reading row that still shows the body it read before, and so
        // keeps it off the missing.
        bool attached = false;
        QString place; // a Missing row's roster place
    };

    static bool before(const Entry &a, const Entry &b);
    const Entry &entryAt(int row) const;
    BodyRow checked(BodyRow row) const;
    int rowOfMissing(const QString &bodyId) const;

    void insert(const Entry &entry);
    void update(int row, const Entry &entry);
    int settle(int row);
    void updateMissing();

    QString text(const Entry &entry, const BodyField &field) const;
    QString statusText(const Entry &entry) const;
    QVariant sortKey(int row, const BodyField &field) const;
    QVariant icon(const Entry &entry) const;
    void allChanged();

    BodyCheck bodyCheck;
    bool stale = false;
    // The style's icons, by state: a view asks for one at every cell it
    // measures, and the style loads it anew at each call.
    mutable QHash<int, QIcon> icons;
    mutable const QStyle *iconStyle = nullptr;
    QVector<Entry> entries;
};
