#include "sdk/simulated/simulatedrig.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#ifdef _WIN32
#include <windows.h>

#include <process.h>
#define sarvolin_getpid _getpid
#else
#include <unistd.h>
#define sarvolin_getpid getpid
#endif

namespace {

constexpr std::size_t kMaxCameras = 200;
constexpr long kMaxLatencyMs = 60 * 1000;
constexpr std::size_t kBodyIdDigits = 12;
constexpr unsigned long long kDefaultFirstBodyId = 83021004517ULL;

std::optional<SimulatedCamera::Behaviour> behaviourNamed(const std::string &word)
{
    using Behaviour = SimulatedCamera::Behaviour;
    static const std::pair<const char *, Behaviour> kWords[] = {
        { "ok", Behaviour::Ok },
        { "refuse", Behaviour::Refuse },
        { "no-id", Behaviour::NoId },
        { "gone", Behaviour::Gone },
        { "hang", Behaviour::Hang },
        { "low-battery", Behaviour::LowBattery },
        { "nearly-full", Behaviour::NearlyFull },
        { "drifted", Behaviour::Drifted },
        { "bare", Behaviour::Bare },
        { "mains", Behaviour::Mains },
        { "battery-word", Behaviour::BatteryWord },
    };
    for (const auto &[name, behaviour] : kWords) {
        if (word == name)
            return behaviour;
    }
    return std::nullopt;
}

// A whole decimal number within [0, max], or nothing.
std::optional<unsigned long> numberIn(const std::string &text, unsigned long max)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos
        || text.size() > 9)
        return std::nullopt;
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (value > max)
        return std::nullopt;
    return value;
}

// Checked against the last socket there can be, so that one value gives
// every rig the same IDs whatever it holds.
unsigned long long firstBodyId()
{
    const char *text = std::getenv("SARVOLIN_SIMULATED_FIRST_ID");
    const std::string digits = text ? text : "";
    if (digits.size() != kBodyIdDigits
        || digits.find_first_not_of("0123456789") != std::string::npos)
        return kDefaultFirstBodyId;
    const unsigned long long first = std::stoull(digits);
    const unsigned long long largest = std::stoull(std::string(kBodyIdDigits, '9'));
    if (first > largest - (kMaxCameras - 1))
        return kDefaultFirstBodyId;
    return first;
}

} // namespace

std::optional<std::vector<SimulatedRig::Slot>> SimulatedRig::parse(const std::string &description)
{
    std::string words = description;
    for (char &c : words) {
        if (c == ',')
            c = ' ';
    }
    std::istringstream in(words);
    const std::vector<std::string> items { std::istream_iterator<std::string>(in), {} };

    if (items.size() == 1) {
        if (const auto count = numberIn(items.front(), kMaxCameras))
            return std::vector<Slot>(*count, SimulatedCamera::Behaviour::Ok);
    }
    if (items.size() > kMaxCameras)
        return std::nullopt;
    std::vector<Slot> sockets;
    for (const std::string &item : items) {
        if (item == "-") {
            sockets.emplace_back();
            continue;
        }
        const auto behaviour = behaviourNamed(item);
        if (!behaviour)
            return std::nullopt;
        sockets.emplace_back(*behaviour);
    }
    return sockets;
}

std::vector<SimulatedRig::Slot> SimulatedRig::attached()
{
    const std::vector<Slot> one { SimulatedCamera::Behaviour::Ok };
    const char *text = std::getenv("SARVOLIN_SIMULATED_CAMERAS");
    if (!text || !*text)
        return one;
    std::string description = text;
    if (description[0] == '@') {
        // A file that cannot be read has nothing plugged in: a script may be
        // replacing it just now.
        std::ifstream file(description.substr(1), std::ios::binary);
        if (!file)
            return {};
        description.assign(std::istreambuf_iterator<char>(file), {});
    }
    return parse(description).value_or(one);
}

std::chrono::milliseconds SimulatedRig::latency()
{
    const char *text = std::getenv("SARVOLIN_SIMULATED_LATENCY_MS");
    const auto ms = numberIn(text ? text : "", kMaxLatencyMs);
    return std::chrono::milliseconds(ms.value_or(0));
}

// One line per write in append mode, so that lines from several processes
// never mix.
void SimulatedRig::record(const std::string &event)
{
    const char *path = std::getenv("SARVOLIN_SIMULATED_LOG");
    if (!path || !*path)
        return;
    const std::string line = std::to_string(sarvolin_getpid()) + ' ' + event + '\n';
#ifdef _WIN32
    // Only a handle opened for appending alone appends atomically; the C
    // library's append mode seeks to the end and then writes, so two
    // processes can write over each other's lines.
    const HANDLE file = CreateFileA(path, FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
        CloseHandle(file);
    }
#else
    if (std::FILE *file = std::fopen(path, "ab")) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    }
#endif
}

std::string SimulatedRig::bodyIdOf(std::size_t socket)
{
    std::string id = std::to_string(firstBodyId() + socket);
    id.insert(0, kBodyIdDigits - id.size(), '0');
    return id;
}

std::optional<std::size_t> SimulatedRig::socketOf(const std::string &portName)
{
    const std::string prefix = "sim:";
    if (portName.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const auto number = numberIn(portName.substr(prefix.size()), kMaxCameras);
    if (!number || *number == 0 || portNameOf(*number - 1) != portName)
        return std::nullopt;
    return *number - 1;
}

// Not a USB port name: a simulated body sits in no socket of this machine.
std::string SimulatedRig::portNameOf(std::size_t socket)
{
    std::string number = std::to_string(socket + 1);
    number.insert(0, number.size() < 3 ? 3 - number.size() : 0, '0');
    return "sim:" + number;
}
