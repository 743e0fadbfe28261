#pragma once
// What the window benchmarks share: messages answered without a person, the
// process's resident memory, and a main that runs them offscreen.

#include "common/message_service.h"

#include <functional>

namespace sonavistor::bench_support {

// Answers every question Yes; errors are printed, so a benchmark that went
// wrong says why instead of timing the wrong thing.
class QuietMessages : public MessageService {
public:
    MessageButton show(const MessageRequest& request) override;
};

// Resident memory of this process in KiB, or -1 where /proc cannot tell.
long residentKiB();

// The whole main of a window benchmark: the program's application object on
// the offscreen platform, then every registered benchmark. teardown runs
// before the application goes, for windows a benchmark keeps between runs.
int runWindowBenchmarks(int argc, char** argv, const std::function<void()>& teardown = {});

}  // namespace sonavistor::bench_support
