#pragma once

#include "broker/hostreader.h"

#include <QAbstractTableModel>
#include <QMap>
#include <QString>
#include <QVector>

// Every host a broker holds, by name: its state and how many bodies it has.
class HostTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { HostColumn, StateColumn, BodiesColumn, ColumnCount };

    explicit HostTableModel(QObject *parent = nullptr);

    void setHosts(const QMap<QString, HostReader::Host> &hosts);
    int count() const { return rows.size(); }
    // Lost or offline.
    int downCount() const;
    QString stateText(int row) const;
    void retranslate();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString name;
        HostReader::Host host;
    };
    bool isDown(const Row &row) const;

    QVector<Row> rows;
};
