#pragma once
// While an object of this class lives, SIGTERM and SIGINT end the program at
// once, as they end a program that catches neither, and a process that the
// calling thread forks meanwhile (SDL draws its box in one) ends with it: a
// modal box never keeps the program from ending when it is told to.

#include <csignal>

namespace backend {

class EndOnStopSignal {
public:
    EndOnStopSignal();
    ~EndOnStopSignal();
    EndOnStopSignal(const EndOnStopSignal&) = delete;
    EndOnStopSignal& operator=(const EndOnStopSignal&) = delete;

private:
    struct sigaction previousTerm = {};
    struct sigaction previousInt = {};
};

} // namespace backend
