// zlm-exchange: ECU exchanges from the command line (see exchangeUsage()).
#include "comm/exchange_cli.h"

#include <atomic>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::atomic<bool> g_interrupted { false };

void onSignal(int)
{
    g_interrupted = true;
}

} // namespace

int main(int argc, char** argv)
{
    // Ctrl+C (or a closed terminal) ends an exchange at its next byte, so the
    // run still ends through its clean-up (the private temporary folder with
    // the expanded definition file is removed).
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
    // A closed pipe on standard output is a failed write (EPIPE) reported like
    // any other, not a silent death that leaves the temporary folder behind.
    std::signal(SIGPIPE, SIG_IGN);

    const std::vector<std::string> args(argv + 1, argv + argc);
    zlm::ExchangeEnvironment environment
        = zlm::ExchangeEnvironment::fromProcess(argc > 0 ? argv[0] : "");
    environment.interrupted = &g_interrupted;
    return zlm::runExchangeCli(args, std::cout, std::cerr, environment);
}
