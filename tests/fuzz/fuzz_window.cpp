// Turns its input into a camera, a schedule of SDK failures and a sequence of
// user actions (connect, save, language, typing, disconnect, close), runs the
// real window through them on the scriptable SDK and checks after every
// action what WindowScenario checks:
// - no crash, nothing read or written out of bounds (the sanitizers);
// - no released or invalidated reference used, nothing released twice;
// - every failed press answered by exactly one box of the message table, in
//   the language shown, naming the step that failed; no box otherwise;
// - a success box only when the file holds exactly the ID and one line end;
// - labels, fields and enabled states as the connection and language say;
// - after the window closes: the SDK down and no reference alive, unless the
//   SDK refused the last attempt to shut it down.
// Input: byte 0 the camera (count, exposure mode fixed or not, body ID),
// byte 1 the number of failing calls, two bytes per failing call (position,
// error), then one byte per action; the window is closed at the end.

#include "support/scriptedsdk.h"
#include "windowscenario.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

struct Identity {
    QByteArray bytes; // what the camera reports
    const char *shown; // what the window shows, nullptr when the read fails
};

const Identity kIdentities[] = {
    { "083021001234", "083021001234" },
    { "-1", "4294967295" },
    { "-2147483648", "2147483648" },
    { "-0", "0" },
    { "-", nullptr },
    { "-12a", nullptr },
    { "-2147483649", nullptr },
    { "", nullptr },
    { "007", "007" },
    { "\xe4\xb8\xad-7", "\xe4\xb8\xad-7" },
    { QByteArray(256, '7'), nullptr }, // shown is built below: all 256 digits
};
constexpr int kIdentityCount = int(sizeof kIdentities / sizeof kIdentities[0]);

const EdsError kErrors[] = {
    EDS_ERR_INTERNAL_ERROR,  EDS_ERR_DEVICE_NOT_FOUND,  EDS_ERR_DEVICE_BUSY,
    EDS_ERR_INVALID_HANDLE,  EDS_ERR_COMM_DISCONNECTED, EDS_ERR_SESSION_NOT_OPEN,
    EDS_ERR_NOT_INITIALIZED,
};

// One byte per action; connect presses weigh more, since they reach the SDK
// and cost little, while every save opens a file dialog. The window is
// closed after the last action.
using Action = WindowScenario::Action;
const Action kActions[] = {
    Action::Connect,  Action::Connect,     Action::Connect,    Action::Connect,
    Action::Connect,  Action::Connect,     Action::Connect,    Action::SaveNew,
    Action::SaveOver, Action::SaveMissing, Action::SaveCancel, Action::ForceSave,
    Action::Chinese,  Action::English,     Action::TypeId,     Action::TypePath,
};

constexpr int kMaxFaults = 5;
constexpr int kMaxPosition = 128; // the calls of about five connect presses
constexpr int kMaxActions = 16;

QTemporaryDir *temp = nullptr;

// Every window logs a line and the offscreen platform warns about every
// dialog; only critical messages are worth showing here.
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg)
        std::abort();
    if (type == QtCriticalMsg)
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void removeTemp()
{
    delete temp;
    temp = nullptr;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);
    static int argc = 1;
    static char name[] = "fuzz_window";
    static char *argv[] = { name, nullptr };
    new QApplication(argc, argv); // lives as long as the process
    temp = new QTemporaryDir;
    if (!temp->isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        std::abort();
    }
    std::atexit(removeTemp);
    // Save dialogs remember their state in the user's settings; keep it here.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp->filePath(QStringLiteral("config"))));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    size_t at = 0;

    ScriptedSdk::reset();
    QString schedule;

    const uint8_t world = data[at++];
    static const EdsUInt32 counts[] = { 1, 1, 0, 2 };
    const EdsUInt32 cameras = counts[world & 3];
    const bool modeSticks = ((world >> 2) & 3) != 3;
    const Identity &identity = kIdentities[(world >> 4) % kIdentityCount];
    ScriptedSdk::setCameraCount(cameras);
    ScriptedSdk::setWritesStick(kEdsPropID_AEModeSelect, modeSticks);
    ScriptedSdk::setBodyId(identity.bytes);
    QString shown = identity.shown ? QString::fromUtf8(identity.shown) : QString();
    if (identity.bytes.size() == 256)
        shown = QString::fromLatin1(identity.bytes);
    schedule += QStringLiteral("cameras %1, exposure mode %2, body ID \"%3\"\nfailing calls:")
                    .arg(cameras)
                    .arg(modeSticks ? "settable" : "stuck")
                    .arg(QString::fromLatin1(identity.bytes.toPercentEncoding()));

    const int faults = data[at++] % (kMaxFaults + 1);
    for (int i = 0; i < faults && at + 1 < size; ++i, at += 2) {
        const int position = data[at] % kMaxPosition + 1;
        const EdsError error = kErrors[data[at + 1] % (sizeof kErrors / sizeof kErrors[0])];
        ScriptedSdk::failCall(position, error);
        schedule += QStringLiteral(" %1 -> 0x%2").arg(position).arg(error, 0, 16);
    }

    const QString dir = temp->filePath(QStringLiteral("input"));
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);

    QStringList problems;
    QString transcript;
    {
        WindowScenario scenario(dir, shown);
        scenario.setCameraHealthy(cameras > 0 && modeSticks && !shown.isNull());
        for (int n = 0; at < size && n < kMaxActions; ++at, ++n)
            scenario.perform(kActions[data[at] % (sizeof kActions / sizeof kActions[0])]);
        scenario.perform(Action::Close);
        problems = scenario.problems();
        transcript = scenario.transcript();
    }
    QDir(dir).removeRecursively();

    if (!problems.isEmpty()) {
        std::fprintf(stderr, "window schedule broke:\n%s\n%s\n%s\n", qPrintable(schedule),
                     qPrintable(problems.join(QLatin1Char('\n'))), qPrintable(transcript));
        std::abort();
    }
    return 0;
}
