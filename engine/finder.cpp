#include "engine/finder.h"

#include "camera/bodyid.h"

namespace {

QString textOf(const std::string &bytes)
{
    return sdkText(bytes.data(), bytes.size());
}

} // namespace

QVector<BodyRow> Finder::bodiesOf(const WorkerProtocol::Look &look)
{
    QVector<BodyRow> bodies;
    for (const WorkerProtocol::FoundBody &found : look.bodies) {
        BodyRow body;
        body.port = textOf(found.port);
        body.model = textOf(found.model);
        body.address = textOf(found.address);
        bodies << body;
    }
    return bodies;
}
