#include "app/displaycheck.h"

#include <QLibrary>
#include <QtGlobal>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)

namespace {

// The X11 plugin aborts the process when it cannot connect, so probe the
// display ourselves through the same client library it uses.
bool canConnectToX11()
{
    QLibrary xcb(QStringLiteral("xcb"), 1);
    if (!xcb.load())
        return false;
    using Connect = void *(*)(const char *, int *);
    using HasError = int (*)(void *);
    using Disconnect = void (*)(void *);
    const auto connect = reinterpret_cast<Connect>(xcb.resolve("xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(xcb.resolve("xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(xcb.resolve("xcb_disconnect"));
    if (!connect || !hasError || !disconnect)
        return false;
    void *connection = connect(nullptr, nullptr);
    const bool ok = connection && hasError(connection) == 0;
    if (connection)
        disconnect(connection);
    return ok;
}

} // namespace

QString displayProblemBeforeStart()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return QString(); // another platform plugin reports its own problems
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return QStringLiteral("No display: DISPLAY is not set. Start the program from a desktop "
                              "session, or run it under Xvfb (xvfb-run).");
    if (!canConnectToX11())
        return QStringLiteral("No display: cannot connect to the X server at DISPLAY=%1.")
            .arg(QString::fromLocal8Bit(qgetenv("DISPLAY")));
    return QString();
}

#else

QString displayProblemBeforeStart()
{
    return QString();
}

#endif
