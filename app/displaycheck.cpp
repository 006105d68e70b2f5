#include "app/displaycheck.h"

#include <QLibrary>
#include <QtGlobal>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)

namespace {

QString unreachable()
{
    return QStringLiteral("No display: cannot connect to the X server at DISPLAY=%1.")
        .arg(QString::fromLocal8Bit(qgetenv("DISPLAY")));
}

} // namespace

// The X11 plugin aborts the process when it cannot connect, so probe the
// display ourselves through the same client library it uses.
DisplayCheck::DisplayCheck()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return; // another platform plugin reports its own problems
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        message = QStringLiteral("No display: DISPLAY is not set. Start the program from a "
                                 "desktop session, or run it under Xvfb (xvfb-run).");
        return;
    }

    // QLibrary leaves the library loaded, so the functions outlive `xcb`.
    QLibrary xcb(QStringLiteral("xcb"), 1);
    using Connect = void *(*)(const char *, int *);
    using HasError = int (*)(void *);
    using Disconnect = void (*)(void *);
    const auto connect = reinterpret_cast<Connect>(xcb.resolve("xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(xcb.resolve("xcb_connection_has_error"));
    disconnect = reinterpret_cast<Disconnect>(xcb.resolve("xcb_disconnect"));
    if (!connect || !hasError || !disconnect) {
        message = unreachable();
        return;
    }
    // xcb_connect always returns a connection object, in an error state if need be.
    connection = connect(nullptr, nullptr);
    const bool ok = connection && hasError(connection) == 0;
    if (!ok) {
        message = unreachable();
        release();
    }
}

void DisplayCheck::release()
{
    if (connection && disconnect)
        disconnect(connection);
    connection = nullptr;
}

#else

DisplayCheck::DisplayCheck() = default;

void DisplayCheck::release() { }

#endif

DisplayCheck::~DisplayCheck()
{
    release();
}
