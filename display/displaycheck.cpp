#include "display/displaycheck.h"

#include <QByteArrayList>
#include <QLibrary>
#include <QtGlobal>

#include <algorithm>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)

namespace {

struct ToolkitStart {
    QByteArrayList platforms; // plugin names in the order tried, lower-cased
    QByteArray display; // the X11 plugin's -display argument, if any
};

// Follows how Qt 5.15 picks its platform plugins and how its X11 plugin reads
// the command line. Where in doubt it leans away from xcb: a wrong refusal
// stops a start that would have worked, a missed one only lets Qt abort.
ToolkitStart toolkitStart(int argc, char **argv)
{
    // Debian's Qt defaults to xcb and, being patched, goes for Wayland in any
    // Wayland session, GNOME's included; xcb stays as the fallback.
    QByteArray names = qgetenv("XDG_SESSION_TYPE") == "wayland" ? "wayland;xcb" : "xcb";
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        names = qgetenv("QT_QPA_PLATFORM");

    // Options the application object takes with their value, so "-qwindowtitle
    // -platform" sets a title; the X11 ones only while xcb comes first.
    static const QByteArrayList withValue = { "-platformpluginpath", "-platformtheme",
                                              "-qwindowgeometry", "-qwindowtitle", "-qwindowicon" };
    static const QByteArrayList x11WithValue = { "-geometry", "-title", "-icon" };
    QByteArrayList rest; // what is left over for the plugin
    for (int i = 1; i < argc; ++i) {
        if (!argv[i])
            continue;
        QByteArray option = argv[i];
        if (option.startsWith("--"))
            option.remove(0, 1);
        if (option == "-platform") {
            if (++i < argc)
                names = argv[i];
        } else if (withValue.contains(option)
                   || (names.startsWith("xcb") && x11WithValue.contains(option))) {
            ++i;
        } else {
            rest.append(argv[i]);
        }
    }

    ToolkitStart start;
    for (const QByteArray &entry : names.split(';')) {
        const QByteArray plugin = entry.split(':').constFirst().toLower();
        if (!plugin.isEmpty())
            start.platforms.append(plugin);
    }
    for (int i = 0; i + 1 < rest.size(); ++i) {
        QByteArray option = rest.at(i);
        if (option.startsWith("--"))
            option.remove(0, 1);
        if (option == "-display")
            start.display = rest.at(++i);
        else if (option == "-name" || option == "-visual")
            ++i;
    }
    return start;
}

QString unreachable(const QByteArray &display)
{
    return QStringLiteral("No display: cannot connect to the X server at DISPLAY=%1.")
        .arg(QString::fromLocal8Bit(display));
}

} // namespace

// The X11 plugin aborts the process when it cannot connect, so probe the
// display ourselves through the same client library it uses.
DisplayCheck::DisplayCheck(int argc, char **argv)
{
    const ToolkitStart start = toolkitStart(argc, argv);
    const bool onlyX11 = !start.platforms.isEmpty()
        && std::all_of(start.platforms.cbegin(), start.platforms.cend(),
                       [](const QByteArray &plugin) { return plugin == "xcb"; });
    if (!onlyX11)
        return; // another platform plugin, or Qt itself, reports its own problems

    // Like Xlib, an empty display name means DISPLAY's.
    const QByteArray display = start.display.isEmpty() ? qgetenv("DISPLAY") : start.display;
    if (display.isEmpty()) {
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
        message = unreachable(display);
        return;
    }
    // xcb_connect always returns a connection object, in an error state if need be.
    connection = connect(display.constData(), nullptr);
    const bool ok = connection && hasError(connection) == 0;
    if (!ok) {
        message = unreachable(display);
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

DisplayCheck::DisplayCheck(int, char **) { }

void DisplayCheck::release() { }

#endif

DisplayCheck::~DisplayCheck()
{
    release();
}
