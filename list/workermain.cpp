// A worker of the lister: reads the one body at PORT, reached at ADDRESS
// where the lister found one, and prints one line of JSON for the lister,
//   {"error":"...","id":"..."}
// with the body ID field's bytes in hexadecimal: what they read as is the
// lister's to say, in the same way as the window. Links no Qt, so that many
// of it start quickly.
//   WORKER PORT [ADDRESS]
#include "list/bodyreader.h"
#include "list/stoprequests.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int kBadUsage = 64;

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

std::string hex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string> arguments = argumentsOf(argc, argv);
    if (arguments.size() < 2 || arguments.size() > 3 || arguments[1].empty()) {
        std::fprintf(stderr,
                     "usage: %s PORT [ADDRESS]\n"
                     "Reads one body for sarvolin-list, which starts it; not for use by hand.\n",
                     arguments.empty() ? "worker" : arguments[0].c_str());
        return kBadUsage;
    }
    StopRequests::catchSignals();
    StopRequests::stopAtEndOfInput(SIGTERM);
    BodyReader reader([] { return StopRequests::caught() != 0; });
    const BodyReader::Result result
        = reader.read(arguments[1], arguments.size() > 2 ? arguments[2] : std::string());
    if (result.stopped)
        return 128 + StopRequests::caught();
    // Our own reasons and hexadecimal digits: nothing in the line needs escaping.
    const std::string line
        = "{\"error\":\"" + result.error + "\",\"id\":\"" + hex(result.idField) + "\"}\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
