// Scenario JSON against any text: it loads or fails with a message; a loaded
// scenario's memory fits the meter's memory in whole records.
#include "common/error.h"
#include "sim/scenario.h"
#include "tests/fuzz/fuzz_support.h"

#include <QFile>

#include <cstdlib>

using namespace sonavistor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    static const bool memoryWritten = [] {
        QFile memory(fuzz::scratchFolder() + QStringLiteral("/day.bin"));
        return memory.open(QIODevice::WriteOnly) && memory.write(QByteArray(256, '\x24')) == 256;
    }();
    if (!memoryWritten)
        std::abort();
    try {
        const MeterScenario s = parseScenario(fuzz::bytes(data, size), fuzz::scratchFolder(), QStringLiteral("fuzz"));
        if (s.memory.size() % 128 != 0 || s.memory.size() > kMaxScenarioMemory)
            std::abort();
    } catch (const Error&) {
    }
    return 0;
}
