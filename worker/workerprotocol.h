#pragma once

#include "worker/readfailure.h"

#include <cstdint>
#include <string>
#include <vector>

// The one line a worker prints for the engine that started it, and the one
// reading of it. A JSON object per line: texts travel as the bytes the
// camera library gave, in hexadecimal, so that no byte needs escaping and
// none is changed on the way; numbers as decimal integers; a failure by its
// key. A body read:
//   {"error":"","id":"303833...","owner":"4a6f","battery":85}
// and a look at what is attached (WORKER --find), with the library's result:
//   {"error":0,"bodies":[["PORT","MODEL","ADDRESS"],...]}
// Needs no Qt: the worker links none.
namespace WorkerProtocol {

// A value the body gave beyond its ID: text (bytes) or a number.
struct Extra {
    std::string name;
    std::string text;
    std::int64_t number = 0;
    bool isNumber = false;
};

struct BodyAnswer {
    ReadFailure failure = ReadFailure::None;
    std::string idField; // up to the field's first zero byte
    std::vector<Extra> extras; // what the body did not give is left out
};

struct FoundBody {
    std::string port;
    std::string model;
    std::string address;
};

struct Look {
    std::uint32_t error = 0; // the camera library's
    std::vector<FoundBody> bodies;
};

// One line, ending in a line feed.
std::string encode(const BodyAnswer &answer);
std::string encode(const Look &look);

// False for a line that is not one of ours (a line end or spaces around it
// are allowed); the answer is then unspecified.
bool decode(const std::string &line, BodyAnswer &answer);
bool decode(const std::string &line, Look &look);

} // namespace WorkerProtocol
