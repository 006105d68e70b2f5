// Feeds arbitrary payloads to the decoders of a host's messages, as a broker
// would bring them from anyone. Checks:
// - nothing crashes or reads out of bounds, whatever the bytes (sanitizers);
// - a body that is taken comes out of the encoder and back the same, every
//   field alike;
// - a state or command that is taken encodes to a payload that decodes to
//   the same;
// - a topic made of the bytes, as a broker would pass it on (no wildcards),
//   parses to levels that name it again.

#include "broker/hostpayload.h"
#include "broker/hosttopics.h"
#include "engine/bodyfield.h"
#include "engine/rowprinter.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

QStringList everyField()
{
    return QStringList { QLatin1String(BodyField::hostKey) } + BodyField::keys();
}

QStringList cellsOf(const BodyRow &row)
{
    QStringList cells;
    for (const QString &key : everyField())
        cells << BodyField::find(key)->cell(row);
    return cells;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray payload(reinterpret_cast<const char *>(data), int(size));
    QString error;

    BodyRow row;
    if (HostPayload::decode(payload, row, error)) {
        static const RowPrinter printer(RowPrinter::Format::Json, nullptr, everyField());
        BodyRow again;
        if (!HostPayload::decode(HostPayload::encode(printer.jsonOf(row)), again, error))
            fail("a body that was taken is refused once encoded");
        if (cellsOf(row) != cellsOf(again))
            fail("a body changed on its way through the encoder");
    } else if (error.isEmpty()) {
        fail("a body was refused without a reason");
    }

    HostPayload::State state;
    if (HostPayload::decode(payload, state, error)) {
        HostPayload::State again;
        if (!HostPayload::decode(HostPayload::encode(state), again, error)
            || again.kind != state.kind
            || (state.kind != HostPayload::State::Kind::Lost
                && (again.bodies != state.bodies || again.version != state.version)))
            fail("a state changed on its way through the encoder");
    }

    HostPayload::Command command;
    if (HostPayload::decode(payload, command, error)) {
        HostPayload::Command again;
        if (!HostPayload::decode(HostPayload::encode(command), again, error) || again != command)
            fail("a command changed on its way through the encoder");
    }

    const HostTopics topics(QStringLiteral("sarvolin"));
    const QString text = QString::fromUtf8(payload);
    const HostTopics::Topic topic = topics.parse(QStringLiteral("sarvolin/") + text);
    if (topic.kind == HostTopics::Kind::Body
        && topics.body(topic.host, topic.place) != QStringLiteral("sarvolin/") + text
        && !text.contains(QLatin1Char('%')) && !text.contains(QLatin1Char('+'))
        && !text.contains(QLatin1Char('#')))
        fail("a body topic does not name itself again");
    return 0;
}
