// Runs a program to its end for a test, with text on its standard input and its output kept, so a
// failing test can show what the program said.
#pragma once

#include <chrono>
#include <string>
#include <vector>

struct ProgramRun
{
    bool started = false;  // false when the program could not be started (output says why)
    bool timedOut = false; // killed when the time limit passed
    int exitCode = -1;     // the exit status; -1 when it did not exit normally
    std::string output;    // standard output and standard error, interleaved as written

    bool Succeeded() const { return started && !timedOut && exitCode == 0; }
    // The command, how it ended and its output, for a failure message.
    std::string Describe() const;

    std::string command;
};

// Starts args[0] (looked up on PATH when it holds no '/') with args as its argument vector, the
// current environment and working directory, input on its standard input (closed after it), and waits
// for it at most limit; a program still running then is killed.
ProgramRun RunProgram(const std::vector<std::string>& args, const std::string& input = {},
                      std::chrono::milliseconds limit = std::chrono::seconds(20));

// The full path of a program on PATH; empty when there is none.
std::string FindOnPath(const std::string& name);
