// A worker: reads the one body at PORT, reached at ADDRESS where the engine
// found one, and prints one line for the engine (worker/workerprotocol.h):
// the body ID field's bytes, not what they read as, which is the engine's to
// say, in the same way as the window.
//   WORKER [--read EXTRA,...] [--set-clock] PORT [ADDRESS]
// With --find it reads no body but looks at what is attached every INTERVAL
// milliseconds, for a window that must not wait on the camera library, and
// prints a line per look until asked to stop:
//   WORKER --find INTERVAL
// Links no Qt, so that many of it start quickly.
#include "worker/bodyreader.h"
#include "worker/camerawalk.h"
#include "worker/exitstatus.h"
#include "worker/stoprequests.h"
#include "worker/workerprotocol.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#endif

namespace {

// The arguments as UTF-8, as the lister gave them; Windows hands a C main
// its arguments in the local code page.
std::vector<std::string> argumentsOf(int argc, char *argv[])
{
#ifdef _WIN32
    std::vector<std::string> arguments;
    int count = 0;
    if (wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) {
            const int size
                = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
            std::string argument(size > 0 ? std::size_t(size) : 1, '\0');
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &argument[0], size, nullptr, nullptr);
            argument.resize(argument.size() - 1);
            arguments.push_back(argument);
        }
        LocalFree(wide);
        return arguments;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

// False when nobody reads the line any more.
bool say(const std::string &line)
{
    return std::fwrite(line.data(), 1, line.size(), stdout) == line.size()
        && std::fflush(stdout) == 0;
}

// The SDK started once, then looked at until a stop is asked for.
int find(int intervalMs)
{
    const EdsError started = EdsInitializeSDK();
    if (started != EDS_ERR_OK) {
        WorkerProtocol::Look look;
        look.error = started;
        say(WorkerProtocol::encode(look));
        return ExitStatus::sdkUnavailable;
    }
    int status = 0;
    while (StopRequests::caught() == 0) {
        if (!say(WorkerProtocol::encode(lookAtCameras()))) {
            status = 1; // nobody is listening any more
            break;
        }
        for (int waited = 0; waited < intervalMs && StopRequests::caught() == 0; waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (EdsTerminateSDK() != EDS_ERR_OK)
        EdsTerminateSDK();
    return status;
}

// Options first, then PORT [ADDRESS]; false on anything else.
bool parse(const std::vector<std::string> &arguments, BodyReader::Request &request,
           std::vector<std::string> &positional)
{
    const std::vector<std::string> known = BodyReader::extras();
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (!positional.empty() || argument.compare(0, 2, "--") != 0) {
            positional.push_back(argument);
        } else if (argument == "--set-clock") {
            request.setClock = true;
        } else if (argument == "--read" && i + 1 < arguments.size()) {
            std::istringstream names(arguments[++i]);
            for (std::string name; std::getline(names, name, ',');) {
                if (std::find(known.begin(), known.end(), name) == known.end())
                    return false;
                request.extras.push_back(name);
            }
        } else {
            return false;
        }
    }
    return positional.size() >= 1 && positional.size() <= 2 && !positional[0].empty();
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string> arguments = argumentsOf(argc, argv);
    if (arguments.size() == 3 && arguments[1] == "--find") {
        StopRequests::catchSignals();
        StopRequests::stopAtEndOfInput(SIGTERM);
        const int interval = std::atoi(arguments[2].c_str());
        return find(std::clamp(interval, 20, 60 * 1000));
    }
    BodyReader::Request request;
    std::vector<std::string> positional;
    if (!parse(arguments, request, positional)) {
        std::fprintf(stderr,
                     "usage: %s [--read EXTRA,...] [--set-clock] PORT [ADDRESS]\n"
                     "       %s --find INTERVAL\n"
                     "Reads one body for sarvolin-list, which starts it; not for use by hand.\n",
                     arguments.empty() ? "worker" : arguments[0].c_str(),
                     arguments.empty() ? "worker" : arguments[0].c_str());
        return ExitStatus::badUsage;
    }
    StopRequests::catchSignals();
    StopRequests::stopAtEndOfInput(SIGTERM);
    BodyReader reader([] { return StopRequests::caught() != 0; });
    const BodyReader::Result result = reader.read(
        positional[0], positional.size() > 1 ? positional[1] : std::string(), request);
    if (result.stopped)
        return ExitStatus::stoppedBy(StopRequests::caught());
    return say(WorkerProtocol::encode(result)) ? 0 : 1;
}
