// Feeds arbitrary identity buffers to CameraCannon::readBodyId through the
// scriptable SDK, with a session open. Checks:
// - nothing is read beyond the 256-byte buffer (AddressSanitizer);
// - an ID that does not begin with "-" comes back exactly: the bytes up to the
//   first zero byte, or all 256 without one, read as UTF-8;
// - an ID of "-" and decimal digits within the signed 32-bit range becomes its
//   unsigned form, as worked out here independently;
// - any other ID that begins with "-" becomes the unsigned form of what
//   QString::toInt makes of it, or, where toInt refuses it, fails the read;
// - a failed read, from the SDK or from an invalid ID, leaves the caller's
//   string as it was.
// Input: the buffer's first bytes (the rest is zero); a 257th byte with its
// lowest bit set makes the SDK's read fail.

#include "camera/cameracannon.h"
#include "support/scriptedsdk.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kBufferSize = 256;

CameraCannon *camera = nullptr;

[[noreturn]] void fail(const char *what, const QByteArray &raw, const QString &expected,
                       const QString &actual)
{
    std::fprintf(stderr,
                 "readBodyId: %s\n  ID bytes (%d): %s\n  expected: \"%s\"\n  got:      \"%s\"\n",
                 what, int(raw.size()), raw.toHex(' ').constData(), expected.toUtf8().constData(),
                 actual.toUtf8().constData());
    std::abort();
}

// "-" followed by nothing but ASCII digits, at most 2147483648 in value.
bool strictNegative(const QByteArray &raw, quint64 *magnitude)
{
    if (raw.size() < 2 || raw[0] != '-')
        return false;
    quint64 value = 0;
    for (int i = 1; i < raw.size(); ++i) {
        if (raw[i] < '0' || raw[i] > '9')
            return false;
        value = value * 10 + quint64(raw[i] - '0');
        if (value > 2147483648u)
            return false;
    }
    *magnitude = value;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    ScriptedSdk::reset();
    camera = new CameraCannon;
    int count = 0;
    if (!camera->initSdk() || !camera->openFirstCamera(count)) {
        std::fprintf(stderr, "cannot open the scripted camera\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray buffer(reinterpret_cast<const char *>(data),
                            int(std::min<size_t>(size, kBufferSize)));
    const bool sdkFails = size > kBufferSize && (data[kBufferSize] & 1);

    ScriptedSdk::setBodyId(buffer);
    ScriptedSdk::clearLog();
    if (sdkFails)
        ScriptedSdk::failCall(1);

    const QString callers = QStringLiteral("the caller's string");
    QString id = callers;
    const bool read = camera->readBodyId(id);

    const int zero = buffer.indexOf('\0');
    const QByteArray raw = zero < 0 ? buffer : buffer.left(zero);

    if (sdkFails) {
        if (read || id != callers)
            fail("a failed SDK read was not a failed read", raw, callers, id);
        return 0;
    }
    if (!ScriptedSdk::violations().isEmpty())
        fail("SDK misuse", raw, QString(), ScriptedSdk::violations().join(QLatin1Char(';')));

    if (raw.isEmpty() || raw[0] != '-') {
        const QString expected = QString::fromUtf8(raw);
        if (!read || id != expected)
            fail("an ID without a minus sign was not passed through", raw, expected, id);
        return 0;
    }

    quint64 magnitude = 0;
    if (strictNegative(raw, &magnitude)) {
        const QString expected = QString::number(((quint64(1) << 32) - magnitude) & 0xffffffffu);
        if (!read || id != expected)
            fail("a negative ID did not become its unsigned form", raw, expected, id);
        return 0;
    }

    // Beyond plain digits, the toolkit's conversion decides (it allows
    // surrounding white space, for one).
    bool ok = false;
    const int value = QString::fromUtf8(raw).toInt(&ok, 10);
    if (ok) {
        const QString expected = QString::number(quint32(value));
        if (!read || id != expected)
            fail("an ID the toolkit reads as a number did not become its unsigned form", raw,
                 expected, id);
    } else if (read || id != callers) {
        fail("an invalid negative ID was not a failed read", raw, callers, id);
    }
    return 0;
}
