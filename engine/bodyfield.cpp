#include "engine/bodyfield.h"

#include "camera/edsdk.h"
#include "engine/rowwords.h"

#include <cmath>

namespace {

using Answer = WorkerProtocol::BodyAnswer;
using Type = BodyField::Type;

// What a body gives that makes no sense is left out rather than shown wrong.
QString textOf(const Answer &answer, const char *name)
{
    for (const WorkerProtocol::Extra &extra : answer.extras) {
        if (extra.name == name && !extra.isNumber)
            return QString::fromUtf8(extra.text.data(), int(extra.text.size()));
    }
    return QString();
}

std::optional<qint64> numberOf(const Answer &answer, const char *name)
{
    for (const WorkerProtocol::Extra &extra : answer.extras) {
        if (extra.name == name && extra.isNumber)
            return extra.number;
    }
    return std::nullopt;
}

// Mains power, or a level with the body's own word for it where it has one.
void takeBattery(const char *, const Answer &answer, BodyRow &row)
{
    const std::optional<qint64> level = numberOf(answer, "battery");
    if (!level)
        return;
    const QString word = textOf(answer, "battery_word");
    if (*level == qint64(kEdsBatteryLevel_AC)) {
        row.battery = QStringLiteral("AC");
        row.batteryPercent = 100; // mains power never runs out
    } else if (*level >= 0 && *level <= 100) {
        row.battery = word.isEmpty() ? QStringLiteral("%1%").arg(*level) : word;
        row.batteryPercent = int(*level);
    }
}

template <QString BodyRow::*member> QString text(const BodyRow &row)
{
    return row.*member;
}

template <std::optional<qint64> BodyRow::*member> std::optional<qint64> number(const BodyRow &row)
{
    return row.*member;
}

// The extra of the field's own name.
template <QString BodyRow::*member>
void takeText(const char *key, const Answer &answer, BodyRow &row)
{
    row.*member = textOf(answer, key);
}

template <std::optional<qint64> BodyRow::*member>
void takeNumber(const char *key, const Answer &answer, BodyRow &row)
{
    row.*member = numberOf(answer, key);
}

template <QString BodyRow::*member> void putText(const QJsonValue &value, BodyRow &row)
{
    row.*member = value.toString();
}

template <std::optional<qint64> BodyRow::*member>
void putNumber(const QJsonValue &value, BodyRow &row)
{
    row.*member = value.isNull() ? std::nullopt : std::optional<qint64>(qint64(value.toDouble()));
}

void putFailure(const QJsonValue &value, BodyRow &row)
{
    const QString words = value.toString();
    // Words of a later version: a failure all the same.
    row.failure = words.isEmpty()
        ? ReadFailure::None
        : RowWords::failureNamed(words).value_or(ReadFailure::WorkerFailed);
}

// The percentage a threshold compares is in what is shown, but for the
// body's own word.
void putBattery(const QJsonValue &value, BodyRow &row)
{
    row.battery = value.toString();
    row.batteryPercent.reset();
    if (row.battery == QLatin1String("AC")) {
        row.batteryPercent = 100;
    } else if (row.battery.endsWith(QLatin1Char('%'))) {
        bool ok = false;
        const int percent = row.battery.chopped(1).toInt(&ok);
        if (ok && percent >= 0 && percent <= 100)
            row.batteryPercent = percent;
    }
}

// clang-format off
const std::vector<BodyField> kFields = {
    { BodyField::hostKey, "HOST", QT_TRANSLATE_NOOP("BodyField", "Host"), Type::Text, 12, {},
      text<&BodyRow::host>, nullptr, nullptr, putText<&BodyRow::host> },
    { "port", "PORT", QT_TRANSLATE_NOOP("BodyField", "Port"), Type::Text, 12, {},
      text<&BodyRow::port>, nullptr, nullptr, putText<&BodyRow::port> },
    { "location", "LOCATION", QT_TRANSLATE_NOOP("BodyField", "Location"), Type::Text, 10, {},
      text<&BodyRow::location>, nullptr, nullptr, putText<&BodyRow::location> },
    { "model", "MODEL", QT_TRANSLATE_NOOP("BodyField", "Model"), Type::Text, 24, {},
      text<&BodyRow::model>, nullptr, nullptr, putText<&BodyRow::model> },
    { "body_id", "BODY ID", QT_TRANSLATE_NOOP("BodyField", "Body ID"), Type::Text, 14, {},
      text<&BodyRow::bodyId>, nullptr, nullptr, putText<&BodyRow::bodyId> },
    { "error", "ERROR", QT_TRANSLATE_NOOP("BodyField", "Error"), Type::Text, 16, {},
      [](const BodyRow &row) { return RowWords::english(row.failure); }, nullptr, nullptr,
      putFailure },
    { "name", "NAME", QT_TRANSLATE_NOOP("BodyField", "Name"), Type::OptionalText, 10, {},
      text<&BodyRow::name>, nullptr, nullptr, putText<&BodyRow::name> },
    { "check", "CHECK", QT_TRANSLATE_NOOP("BodyField", "Status"), Type::OptionalText, 14, {},
      [](const BodyRow &row) { return RowWords::english(row.findings); }, nullptr, nullptr,
      nullptr },
    { "battery", "BATTERY", QT_TRANSLATE_NOOP("BodyField", "Battery"), Type::OptionalText, 7,
      { "battery", "battery_word" }, text<&BodyRow::battery>,
      [](const BodyRow &row) -> std::optional<qint64> { return row.batteryPercent; },
      takeBattery, putBattery },
    { "shots", "SHOTS", QT_TRANSLATE_NOOP("BodyField", "Shots"), Type::Number, 5, { "shots" },
      nullptr, number<&BodyRow::shots>, takeNumber<&BodyRow::shots>, putNumber<&BodyRow::shots> },
    { "lens", "LENS", QT_TRANSLATE_NOOP("BodyField", "Lens"), Type::OptionalText, 24, { "lens" },
      text<&BodyRow::lens>, nullptr, takeText<&BodyRow::lens>, putText<&BodyRow::lens> },
    { "firmware", "FIRMWARE", QT_TRANSLATE_NOOP("BodyField", "Firmware"), Type::OptionalText, 8,
      { "firmware" }, text<&BodyRow::firmware>, nullptr, takeText<&BodyRow::firmware>, putText<&BodyRow::firmware> },
    { "owner", "OWNER", QT_TRANSLATE_NOOP("BodyField", "Owner"), Type::OptionalText, 12,
      { "owner" }, text<&BodyRow::owner>, nullptr, takeText<&BodyRow::owner>, putText<&BodyRow::owner> },
    { "artist", "ARTIST", QT_TRANSLATE_NOOP("BodyField", "Artist"), Type::OptionalText, 12,
      { "artist" }, text<&BodyRow::artist>, nullptr, takeText<&BodyRow::artist>, putText<&BodyRow::artist> },
    { "copyright", "COPYRIGHT", QT_TRANSLATE_NOOP("BodyField", "Copyright"), Type::OptionalText,
      12, { "copyright" }, text<&BodyRow::copyright>, nullptr, takeText<&BodyRow::copyright>, putText<&BodyRow::copyright> },
    { "shutter_count", "SHUTTER COUNT", QT_TRANSLATE_NOOP("BodyField", "Shutter count"),
      Type::Number, 13, { "shutter_count" }, nullptr, number<&BodyRow::shutterCount>,
      takeNumber<&BodyRow::shutterCount>, putNumber<&BodyRow::shutterCount> },
    { "clock", "CLOCK", QT_TRANSLATE_NOOP("BodyField", "Clock"), Type::OptionalText, 19,
      { "clock" }, text<&BodyRow::clock>, nullptr, takeText<&BodyRow::clock>, putText<&BodyRow::clock> },
    // The worker reads the clock and answers its offset with it.
    { "clock_offset_s", "CLOCK OFFSET S", QT_TRANSLATE_NOOP("BodyField", "Clock offset"),
      Type::Number, 14, { "clock" }, nullptr, number<&BodyRow::clockOffsetS>,
      takeNumber<&BodyRow::clockOffsetS>, putNumber<&BodyRow::clockOffsetS> },
};
// clang-format on

constexpr int kDefaultCount = 5; // port to error, after the host

} // namespace

QJsonValue BodyField::json(const BodyRow &row) const
{
    const QString value = cell(row);
    if (type == Type::Text)
        return value;
    if (value.isEmpty())
        return QJsonValue(QJsonValue::Null);
    return type == Type::Number ? QJsonValue(*number(row)) : QJsonValue(value);
}

QString BodyField::cell(const BodyRow &row) const
{
    if (type != Type::Number)
        return text(row);
    const std::optional<qint64> value = number(row);
    return value ? QString::number(*value) : QString();
}

const BodyField *BodyField::find(const QString &key)
{
    for (const BodyField &field : kFields) {
        if (key == QLatin1String(field.key))
            return &field;
    }
    return nullptr;
}

QStringList BodyField::keys()
{
    QStringList keys;
    for (const BodyField &field : kFields) {
        if (qstrcmp(field.key, hostKey) != 0)
            keys << QLatin1String(field.key);
    }
    return keys;
}

QStringList BodyField::defaultKeys()
{
    return keys().mid(0, kDefaultCount);
}

QStringList BodyField::readsOf(const QStringList &keys)
{
    QStringList reads;
    for (const QString &key : keys) {
        if (const BodyField *field = find(key)) {
            for (const char *extra : field->reads) {
                if (!reads.contains(QLatin1String(extra)))
                    reads << QLatin1String(extra);
            }
        }
    }
    return reads;
}

void BodyField::takeAll(const WorkerProtocol::BodyAnswer &answer, BodyRow &row)
{
    for (const BodyField &field : kFields) {
        if (field.take)
            field.take(field.key, answer, row);
    }
}

bool BodyField::fromJson(const QJsonObject &object, BodyRow &row, QString &error)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const BodyField *field = find(it.key());
        if (!field || !field->put)
            continue;
        const QJsonValue value = it.value();
        const bool fits = field->type == Type::Text ? value.isString()
            : field->type == Type::OptionalText     ? value.isString() || value.isNull()
                                                    : value.isNull()
                || (value.isDouble() && std::abs(value.toDouble()) <= 9007199254740992.0
                    && value.toDouble() == std::trunc(value.toDouble()));
        if (!fits) {
            error = QStringLiteral("'%1' is not %2")
                        .arg(it.key(),
                             field->type == Type::Text ? QStringLiteral("a string")
                                 : field->type == Type::Number
                                 ? QStringLiteral("a whole number or null")
                                 : QStringLiteral("a string or null"));
            return false;
        }
        field->put(value, row);
    }
    return true;
}
