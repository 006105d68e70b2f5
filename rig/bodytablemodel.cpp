#include "rig/bodytablemodel.h"

#include "engine/rowwords.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

// A camera names itself; a line break or escape sequence in that name must
// not break the table, as in the lister's.
QString shown(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QLatin1Char('?');
    }
    return text;
}

QString seconds(const std::optional<qint64> &value)
{
    if (!value)
        return QString();
    QString digits = QString::number(*value);
    if (*value > 0)
        digits.prepend(QLatin1Char('+'));
    else if (*value < 0)
        digits.replace(0, 1, QChar(0x2212)); // a minus sign, not a hyphen
    return BodyTableModel::tr("%1 s").arg(digits);
}

// Looked up once: the model asks for every cell it paints or sorts.
const BodyField &fieldOf(int column)
{
    static const QVector<const BodyField *> fields = [] {
        QVector<const BodyField *> all;
        for (const QString &key : BodyTableModel::columns())
            all << BodyField::find(key);
        return all;
    }();
    return *fields[column];
}

// Rows without the value come first.
qint64 sortNumber(const std::optional<qint64> &value)
{
    return value.value_or(std::numeric_limits<qint64>::min());
}

} // namespace

BodyTableModel::BodyTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

bool BodyTableModel::before(const Entry &a, const Entry &b)
{
    const auto key = [](const Entry &entry) {
        if (entry.state != State::Missing)
            return entry.row;
        // Where the body should be: beside the port or location it belongs in.
        BodyRow row;
        row.host = entry.row.host;
        row.location = entry.row.location;
        row.port = entry.row.location.isEmpty() ? entry.place : QString();
        return row;
    };
    const BodyRow keyA = key(a);
    const BodyRow keyB = key(b);
    if (locationLess(keyA, keyB))
        return true;
    if (locationLess(keyB, keyA))
        return false;
    const bool missingA = a.state == State::Missing;
    const bool missingB = b.state == State::Missing;
    if (missingA != missingB)
        return missingB; // the body that is there before the one that should be
    BodyRow idA;
    BodyRow idB;
    idA.location = a.row.bodyId;
    idB.location = b.row.bodyId;
    return missingA && locationLess(idA, idB);
}

const BodyTableModel::Entry &BodyTableModel::entryAt(int row) const
{
    static const Entry none = [] {
        Entry entry;
        entry.state = State::Missing;
        return entry;
    }();
    return row >= 0 && row < entries.size() ? entries[row] : none;
}

BodyRow BodyTableModel::checked(BodyRow row) const
{
    row.name.clear(); // the check names only the bodies of its own roster
    bodyCheck.apply(row);
    return row;
}

bool BodyTableModel::sameBody(const BodyRow &a, const BodyRow &b)
{
    return a.host == b.host && a.port == b.port && (!a.port.isEmpty() || a.location == b.location);
}

int BodyTableModel::rowOf(const BodyRow &body) const
{
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].state != State::Missing && sameBody(entries[i].row, body))
            return i;
    }
    return -1;
}

int BodyTableModel::rowOfMissing(const QString &bodyId) const
{
    if (bodyId.isEmpty())
        return -1;
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].state == State::Missing && entries[i].row.bodyId == bodyId)
            return i;
    }
    return -1;
}

void BodyTableModel::insert(const Entry &entry)
{
    const int row
        = int(std::upper_bound(entries.cbegin(), entries.cend(), entry, before) - entries.cbegin());
    beginInsertRows(QModelIndex(), row, row);
    entries.insert(row, entry);
    endInsertRows();
}

void BodyTableModel::update(int row, const Entry &entry)
{
    entries[row] = entry;
    row = settle(row);
    emit dataChanged(index(row, 0), index(row, int(columns().size()) - 1));
}

// Moves a row whose place in the order changed to its new one.
int BodyTableModel::settle(int row)
{
    const Entry entry = entries[row];
    const auto first = entries.cbegin();
    int target = row;
    if (row > 0 && before(entry, entries[row - 1]))
        target = int(std::upper_bound(first, first + row, entry, before) - first);
    else if (row + 1 < entries.size() && before(entries[row + 1], entry))
        target = int(std::upper_bound(first + row + 1, entries.cend(), entry, before) - first) - 1;
    if (target == row)
        return row;
    beginMoveRows(QModelIndex(), row, row, QModelIndex(), target < row ? target : target + 1);
    entries.move(row, target);
    endMoveRows();
    return target;
}

// The roster's bodies that no row shows attached, each as a Missing row.
void BodyTableModel::updateMissing()
{
    // Without a roster none is missing, and a thousand rows are not copied at each.
    QVector<BodyRow> absent;
    if (bodyCheck.roster) {
        QVector<BodyRow> present;
        for (const Entry &entry : qAsConst(entries)) {
            if (entry.state == State::Read || (entry.state == State::Reading && entry.attached))
                present << entry.row;
        }
        absent = bodyCheck.missing(present);
    }
    for (int i = entries.size() - 1; i >= 0; --i) {
        if (entries[i].state != State::Missing)
            continue;
        const QString &bodyId = entries[i].row.bodyId;
        if (std::none_of(absent.begin(), absent.end(),
                         [&](const BodyRow &row) { return row.bodyId == bodyId; })) {
            beginRemoveRows(QModelIndex(), i, i);
            entries.remove(i);
            endRemoveRows();
        }
    }
    for (const BodyRow &row : absent) {
        Entry entry;
        entry.row = row;
        entry.state = State::Missing;
        if (const Roster::Entry *listed = bodyCheck.roster->find(row.bodyId))
            entry.place = listed->place;
        const int i = rowOfMissing(row.bodyId);
        if (i < 0) {
            insert(entry);
        } else {
            const Entry &old = entries[i];
            if (old.row.name != row.name || old.row.location != row.location
                || old.place != entry.place)
                update(i, entry);
        }
    }
}

void BodyTableModel::reading(const BodyRow &body)
{
    const int i = rowOf(body);
    if (i < 0) {
        Entry entry;
        entry.row = checked(body);
        insert(entry);
        return;
    }
    Entry entry = entries[i];
    entry.attached
        = entry.state == State::Read || (entry.state == State::Reading && entry.attached);
    entry.state = State::Reading;
    update(i, entry);
    updateMissing();
}

void BodyTableModel::read(const BodyRow &row)
{
    Entry entry;
    entry.row = checked(row);
    entry.state = row.wasRead() ? State::Read : State::Failed;
    int i = rowOf(row);
    if (i < 0 && entry.state == State::Read)
        i = rowOfMissing(row.bodyId);
    if (i < 0)
        insert(entry);
    else
        update(i, entry);
    updateMissing();
}

void BodyTableModel::unplugged(const BodyRow &body)
{
    const int i = rowOf(body);
    if (i < 0)
        return;
    Entry entry = entries[i];
    entry.state = State::Unplugged;
    entry.attached = false;
    update(i, entry);
    updateMissing();
}

void BodyTableModel::clearUnplugged()
{
    for (int last = entries.size() - 1; last >= 0; --last) {
        if (entries[last].state != State::Unplugged)
            continue;
        int first = last;
        while (first > 0 && entries[first - 1].state == State::Unplugged)
            --first;
        beginRemoveRows(QModelIndex(), first, last);
        entries.remove(first, last - first + 1);
        endRemoveRows();
        last = first;
    }
}

void BodyTableModel::setStale(bool now)
{
    if (stale == now)
        return;
    stale = now;
    allChanged();
}

void BodyTableModel::allChanged()
{
    if (!entries.isEmpty())
        emit dataChanged(index(0, 0), index(entries.size() - 1, int(columns().size()) - 1));
}

void BodyTableModel::setCheck(const BodyCheck &check)
{
    bodyCheck = check;
    for (int i = 0; i < entries.size(); ++i) {
        Entry &entry = entries[i];
        if (entry.state == State::Missing)
            continue;
        const BodyRow row = checked(entry.row);
        if (row.name == entry.row.name && row.findings == entry.row.findings)
            continue;
        entry.row = row;
        emit dataChanged(index(i, 0), index(i, int(columns().size()) - 1));
    }
    updateMissing();
}

QVector<BodyRow> BodyTableModel::rows() const
{
    QVector<BodyRow> all;
    all.reserve(entries.size());
    for (const Entry &entry : entries) {
        BodyRow row = entry.row;
        if (entry.state == State::Reading)
            row.findings = { Finding { Finding::Kind::Reading } };
        else if (entry.state == State::Unplugged)
            row.findings = { Finding { Finding::Kind::Unplugged } };
        all << row;
    }
    return all;
}

QVector<BodyRow> BodyTableModel::attachedRows() const
{
    QVector<BodyRow> attached;
    for (const Entry &entry : entries) {
        if (entry.state == State::Read)
            attached << entry.row;
    }
    return attached;
}

BodyTableModel::Counts BodyTableModel::counts() const
{
    Counts counts;
    for (const Entry &entry : entries) {
        switch (entry.state) {
        case State::Reading:
            ++counts.reading;
            break;
        case State::Read:
            if (entry.row.has(Finding::Kind::Unknown))
                ++counts.unknown;
            break;
        case State::Failed:
            ++counts.failed;
            break;
        case State::Unplugged:
            ++counts.unplugged;
            break;
        case State::Missing:
            ++counts.missing;
            break;
        }
    }
    counts.bodies = entries.size() - counts.missing;
    return counts;
}

const QStringList &BodyTableModel::columns()
{
    static const QStringList keys { QLatin1String(BodyField::hostKey),
                                    QStringLiteral("location"),
                                    QStringLiteral("name"),
                                    QStringLiteral("model"),
                                    QStringLiteral("body_id"),
                                    QStringLiteral("battery"),
                                    QStringLiteral("shots"),
                                    QStringLiteral("lens"),
                                    QStringLiteral("firmware"),
                                    QStringLiteral("owner"),
                                    QStringLiteral("shutter_count"),
                                    QStringLiteral("clock_offset_s"),
                                    QStringLiteral("check") };
    return keys;
}

int BodyTableModel::columnOf(const QString &key)
{
    return int(columns().indexOf(key));
}

void BodyTableModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, int(columns().size()) - 1);
    allChanged();
}

int BodyTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : entries.size();
}

int BodyTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(columns().size());
}

QString BodyTableModel::statusText(const Entry &entry) const
{
    QString text;
    switch (entry.state) {
    case State::Reading:
        text = tr("reading…");
        break;
    case State::Unplugged:
        text = tr("unplugged");
        break;
    case State::Failed: {
        text = shown(RowWords::translated(entry.row.failure));
        // The host's state, which a failure's words leave out.
        QVector<Finding> host;
        std::copy_if(entry.row.findings.begin(), entry.row.findings.end(), std::back_inserter(host),
                     [](const Finding &f) { return f.aboutHost(); });
        if (!host.isEmpty())
            text = tr("%1; %2").arg(text, RowWords::translated(host));
        break;
    }
    case State::Read:
    case State::Missing:
        text = shown(RowWords::translated(entry.row.findings));
        break;
    }
    return stale && entry.state != State::Missing ? tr("stale: %1").arg(text) : text;
}

// As the console has them, but for the place, the clock offset and the
// status, which the window words for people.
QString BodyTableModel::text(const Entry &entry, const BodyField &field) const
{
    const BodyRow &row = entry.row;
    const QLatin1String key(field.key);
    if (key == QLatin1String("location"))
        return shown(entry.state == State::Missing && row.location.isEmpty() ? entry.place
                                                                             : placeOf(row));
    if (key == QLatin1String("check"))
        return statusText(entry);
    if (key == QLatin1String("clock_offset_s"))
        return seconds(row.clockOffsetS);
    return shown(field.cell(row));
}

QVariant BodyTableModel::sortKey(int row, const BodyField &field) const
{
    const Entry &entry = entries[row];
    const QLatin1String key(field.key);
    if (key == QLatin1String("location"))
        return row; // the rows are kept in the lister's order
    if (key == QLatin1String("check"))
        return QString::number(int(entry.state)) + QLatin1Char(' ') + statusText(entry);
    if (field.number)
        return sortNumber(field.number(entry.row));
    return text(entry, field);
}

QVariant BodyTableModel::icon(const Entry &entry) const
{
    auto *application = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!application)
        return QVariant();
    QStyle::StandardPixmap pixmap = QStyle::SP_DialogApplyButton;
    switch (entry.state) {
    case State::Reading:
        pixmap = QStyle::SP_BrowserReload;
        break;
    case State::Read:
        if (!entry.row.findings.isEmpty())
            pixmap = QStyle::SP_MessageBoxWarning;
        break;
    case State::Failed:
        pixmap = QStyle::SP_MessageBoxCritical;
        break;
    case State::Unplugged:
        pixmap = QStyle::SP_DialogCancelButton;
        break;
    case State::Missing:
        pixmap = QStyle::SP_MessageBoxQuestion;
        break;
    }
    QStyle *style = QApplication::style();
    if (style != iconStyle) {
        icons.clear();
        iconStyle = style;
    }
    auto it = icons.find(pixmap);
    if (it == icons.end())
        it = icons.insert(pixmap, style->standardIcon(pixmap));
    return *it;
}

QVariant BodyTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const Entry &entry = entries[index.row()];
    const BodyField &field = fieldOf(index.column());
    const bool status = field.key == QLatin1String("check");
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return text(entry, field);
    case Qt::ToolTipRole:
        if (!status)
            return QVariant();
        if (entry.state == State::Failed)
            return tr("Could not be read: %1").arg(statusText(entry));
        return statusText(entry);
    case Qt::DecorationRole:
        return status ? icon(entry) : QVariant();
    case Qt::ForegroundRole:
        // What is not current, greyed: a host that is down, a broker not heard.
        if ((stale && entry.state != State::Missing) || entry.row.hostDown())
            return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return QVariant();
    case Qt::TextAlignmentRole:
        // Quantities line up on the right.
        return field.number ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    case SortRole:
        return sortKey(index.row(), field);
    case StateRole:
        return int(entry.state);
    }
    return QVariant();
}

QVariant BodyTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= columns().size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return QCoreApplication::translate("BodyField", fieldOf(section).header);
}
