#pragma once

// Makes a write to a connection the other end has dropped fail with an error
// instead of ending the process. Does nothing where there is no SIGPIPE.
void ignoreBrokenPipes();
