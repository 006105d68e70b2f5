#pragma once

#include <QString>

// Finds out, before the application object exists, whether the windowing
// system the toolkit will pick can be reached. Its probe connection to an X
// server stays open until release(): a server whose last client leaves resets
// itself, and the toolkit's own connection would wait for that.
class DisplayCheck
{
public:
    // Reads the arguments the application object will get, without changing them.
    DisplayCheck(int argc, char **argv);
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck &) = delete;
    DisplayCheck &operator=(const DisplayCheck &) = delete;

    // Empty when the display can be reached, otherwise a message for the user.
    QString problem() const { return message; }

    // Closes the probe connection; call once the application has its own.
    void release();

private:
    QString message;
    void *connection = nullptr;
    void (*disconnect)(void *) = nullptr;
};
