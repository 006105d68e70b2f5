#include "rig/hosttablemodel.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>

HostTableModel::HostTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

void HostTableModel::setHosts(const QMap<QString, HostReader::Host> &hosts)
{
    QVector<Row> next;
    next.reserve(hosts.size());
    for (auto it = hosts.cbegin(); it != hosts.cend(); ++it)
        next.push_back({ it.key(), it.value() });
    const bool sameNames = next.size() == rows.size()
        && std::equal(next.cbegin(), next.cend(), rows.cbegin(),
                      [](const Row &a, const Row &b) { return a.name == b.name; });
    // A handful of hosts: a new one resets the list, a change repaints it.
    if (!sameNames) {
        beginResetModel();
        rows = next;
        endResetModel();
        return;
    }
    rows = next;
    if (!rows.isEmpty())
        emit dataChanged(index(0, 0), index(rows.size() - 1, ColumnCount - 1));
}

bool HostTableModel::isDown(const Row &row) const
{
    return HostReader::findingOf(row.host).has_value();
}

int HostTableModel::downCount() const
{
    return int(
        std::count_if(rows.cbegin(), rows.cend(), [this](const Row &r) { return isDown(r); }));
}

QString HostTableModel::stateText(int row) const
{
    const HostReader::Host &host = rows.value(row).host;
    if (!host.state)
        return tr("not known");
    const std::optional<Finding> finding = HostReader::findingOf(host);
    if (!finding)
        return tr("online");
    return finding->kind == Finding::Kind::HostLost ? tr("lost since %1").arg(finding->detail)
                                                    : tr("offline since %1").arg(finding->detail);
}

void HostTableModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!rows.isEmpty())
        emit dataChanged(index(0, 0), index(rows.size() - 1, ColumnCount - 1));
}

int HostTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

int HostTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HostTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const Row &row = rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (index.column()) {
        case HostColumn:
            return row.name;
        case StateColumn:
            return stateText(index.row());
        default:
            return QString::number(row.host.bodies.size());
        }
    case Qt::TextAlignmentRole:
        return index.column() == BodiesColumn ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                                              : QVariant();
    case Qt::ForegroundRole:
        return isDown(row) ? QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text)
                           : QVariant();
    }
    return QVariant();
}

QVariant HostTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case HostColumn:
        return tr("Host");
    case StateColumn:
        return tr("State");
    case BodiesColumn:
        return tr("Bodies");
    }
    return QVariant();
}
