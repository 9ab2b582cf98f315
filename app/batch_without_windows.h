#pragma once
// The batch conversion where no display can be reached: start-up, load and
// CSV export without any window system, the messages on the given prompts.
#include "app/startup.h"

#include <memory>

namespace zlm {

class Prompts;
class Registry;

// Runs start-up and the conversion of environment.arguments (two file names);
// returns the exit status: 0 when the CSV file was written, 1 otherwise.
int runBatchWithoutWindows(const StartupEnvironment& environment, const Registry& registry,
    std::unique_ptr<Prompts> prompts);

} // namespace zlm
