#include "worker/workerprotocol.h"

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

const char *keyOf(ReadFailure failure)
{
    for (const auto &[kind, key] : kFailureKeys) {
        if (kind == failure)
            return key;
    }
    return "";
}

std::string hex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text = "\"";
    for (const unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text + '"';
}

// Reads the few JSON shapes the lines are made of, and nothing else.
class Reader
{
public:
    explicit Reader(const std::string &line)
        : text(line)
    { }

    bool take(char c)
    {
        skipSpace();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }

    bool peek(char c)
    {
        skipSpace();
        return at < text.size() && text[at] == c;
    }

    // Up to the next quote: keys and hexadecimal texts need no escapes, and a
    // line with one is no line of ours.
    bool string(std::string &out)
    {
        if (!take('"'))
            return false;
        const std::size_t end = text.find('"', at);
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
            const int high = digit(digits[i]);
            const int low = digit(digits[i + 1]);
            if (high < 0 || low < 0)
                return false;
            out += char(high * 16 + low);
        }
        return true;
    }

    bool integer(std::int64_t &out)
    {
        skipSpace();
        std::size_t end = at + (at < text.size() && text[at] == '-' ? 1 : 0);
        const std::size_t first = end;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        if (end == first || end - first > 19)
            return false;
        errno = 0;
        out = std::strtoll(text.substr(at, end - at).c_str(), nullptr, 10);
        at = end;
        return errno == 0;
    }

    bool atEnd()
    {
        skipSpace();
        return at == text.size();
    }

private:
    static int digit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    void skipSpace()
    {
        while (at < text.size()
               && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
            ++at;
    }

    const std::string &text;
    std::size_t at = 0;
};

// {"key":value,...}, each value read by `value` for its key.
template <typename Value> bool readObject(Reader &reader, Value value)
{
    if (!reader.take('{'))
        return false;
    if (reader.take('}'))
        return reader.atEnd();
    do {
        std::string key;
        if (!reader.string(key) || !reader.take(':') || !value(key))
            return false;
    } while (reader.take(','));
    return reader.take('}') && reader.atEnd();
}

} // namespace

std::string encode(const BodyAnswer &answer)
{
    std::string line
        = std::string("{\"error\":\"") + keyOf(answer.failure) + "\",\"id\":" + hex(answer.idField);
    for (const Extra &extra : answer.extras) {
        line += ",\"" + extra.name + "\":";
        line += extra.isNumber ? std::to_string(extra.number) : hex(extra.text);
    }
    return line + "}\n";
}

std::string encode(const Look &look)
{
    std::string line = "{\"error\":" + std::to_string(look.error) + ",\"bodies\":[";
    for (std::size_t i = 0; i < look.bodies.size(); ++i) {
        const FoundBody &body = look.bodies[i];
        line += (i ? ",[" : "[") + hex(body.port) + ',' + hex(body.model) + ',' + hex(body.address)
            + ']';
    }
    return line + "]}\n";
}

bool decode(const std::string &line, BodyAnswer &answer)
{
    answer = BodyAnswer();
    bool hasError = false;
    bool hasId = false;
    Reader reader(line);
    const bool read = readObject(reader, [&](const std::string &key) {
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
        if (key == "id") {
            hasId = true;
            return reader.bytes(answer.idField);
        }
        if (key.empty())
            return false;
        Extra extra;
        extra.name = key;
        extra.isNumber = !reader.peek('"');
        if (!(extra.isNumber ? reader.integer(extra.number) : reader.bytes(extra.text)))
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
    const bool read = readObject(reader, [&](const std::string &key) {
        if (key == "error") {
            std::int64_t error = 0;
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
