#include "worker/workerprotocol.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace WorkerProtocol {

namespace {

constexpr std::pair<ReadFailure, const char *> kFailureKeys[] = {
    { ReadFailure::None, "" },
    { ReadFailure::Gone, "gone" },
    { ReadFailure::Refused, "refused" },
    { ReadFailure::NoId, "no-id" },
    { ReadFailure::TimedOut, "timed-out" },
    { ReadFailure::SdkFailed, "sdk-failed" },
    { ReadFailure::WorkerFailed, "worker-failed" },
    { ReadFailure::ClockNotSet, "clock-not-set" },
    { ReadFailure::ClockOff, "clock-off" },
};

std::string hex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text = "\"";
    for (const unsigned char byte : bytes)
        text += { digits[byte >> 4], digits[byte & 0xF] };
    return text + '"';
}

// Reads the few shapes our lines are made of, and refuses anything else.
class Reader
{
public:
    explicit Reader(const std::string &line)
        : text(line)
    {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
    }

    bool take(char c) { return at < text.size() && text[at] == c && ++at; }
    bool atEnd() const { return at == text.size(); }
    bool next(char c) const { return at < text.size() && text[at] == c; }

    // Up to the next quote: keys and texts in hexadecimal need no escapes.
    bool string(std::string &out)
    {
        const std::size_t end = take('"') ? text.find('"', at) : std::string::npos;
        if (end == std::string::npos)
            return false;
        out = text.substr(at, end - at);
        at = end + 1;
        return true;
    }

    bool bytes(std::string &out)
    {
        std::string digits;
        if (!string(digits) || digits.size() % 2 != 0)
            return false;
        out.clear();
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            if (!std::isxdigit(static_cast<unsigned char>(digits[i]))
                || !std::isxdigit(static_cast<unsigned char>(digits[i + 1])))
                return false;
            out += char(std::stoi(digits.substr(i, 2), nullptr, 16));
        }
        return true;
    }

    bool integer(std::int64_t &out)
    {
        std::size_t end = at + (next('-') ? 1 : 0);
        const std::size_t first = end;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        errno = 0;
        out = std::strtoll(text.c_str() + at, nullptr, 10);
        const bool read = end > first && errno == 0;
        at = end;
        return read;
    }

    // {"key":value,...}, each value read by `value` for its key.
    template <typename Value> bool object(Value value)
    {
        if (!take('{'))
            return false;
        if (!take('}')) {
            do {
                std::string key;
                if (!string(key) || !take(':') || !value(key))
                    return false;
            } while (take(','));
            if (!take('}'))
                return false;
        }
        return atEnd();
    }

private:
    std::string text;
    std::size_t at = 0;
};

} // namespace

std::string encode(const BodyAnswer &answer)
{
    const char *failure = "";
    for (const auto &[kind, key] : kFailureKeys)
        failure = kind == answer.failure ? key : failure;
    std::string line = std::string("{\"error\":\"") + failure + "\",\"id\":" + hex(answer.idField);
    for (const Extra &extra : answer.extras)
        line += ",\"" + extra.name
            + "\":" + (extra.isNumber ? std::to_string(extra.number) : hex(extra.text));
    return line + "}\n";
}

std::string encode(const Look &look)
{
    std::string line = "{\"error\":" + std::to_string(look.error) + ",\"bodies\":[";
    for (const FoundBody &body : look.bodies) {
        line += (&body == look.bodies.data() ? "[" : ",[") + hex(body.port) + ',' + hex(body.model)
            + ',' + hex(body.address) + ']';
    }
    return line + "]}\n";
}

bool decode(const std::string &line, BodyAnswer &answer)
{
    answer = BodyAnswer();
    bool hasError = false;
    bool hasId = false;
    Reader reader(line);
    const bool read = reader.object([&](const std::string &key) {
        if (key == "error") {
            std::string failure;
            if (!reader.string(failure))
                return false;
            for (const auto &[kind, name] : kFailureKeys) {
                if (failure == name) {
                    answer.failure = kind;
                    hasError = true;
                }
            }
            return hasError;
        }
        if (key == "id")
            return (hasId = reader.bytes(answer.idField));
        Extra extra { key, {}, 0, !reader.next('"') };
        if (key.empty()
            || !(extra.isNumber ? reader.integer(extra.number) : reader.bytes(extra.text)))
            return false;
        answer.extras.push_back(std::move(extra));
        return true;
    });
    return read && hasError && hasId;
}

bool decode(const std::string &line, Look &look)
{
    look = Look();
    bool hasError = false;
    bool hasBodies = false;
    Reader reader(line);
    const bool read = reader.object([&](const std::string &key) {
        std::int64_t error = 0;
        if (key == "error") {
            hasError = reader.integer(error) && error >= 0 && error <= 0xFFFFFFFFLL;
            look.error = std::uint32_t(error);
            return hasError;
        }
        if (key != "bodies" || !reader.take('['))
            return false;
        hasBodies = true;
        if (reader.take(']'))
            return true;
        do {
            FoundBody body;
            if (!reader.take('[') || !reader.bytes(body.port) || !reader.take(',')
                || !reader.bytes(body.model) || !reader.take(',') || !reader.bytes(body.address)
                || !reader.take(']'))
                return false;
            look.bodies.push_back(std::move(body));
        } while (reader.take(','));
        return reader.take(']');
    });
    return read && hasError && hasBodies;
}

} // namespace WorkerProtocol
