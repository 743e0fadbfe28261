#pragma once
// GoogleTest exits 0 when a case skips; CTest is told 77 instead, so a skip
// shows as one (SKIP_RETURN_CODE in tests/CMakeLists.txt), and each skipped
// case is named with its reason on a line "SKIPPED: " that scripts/list-skips
// collects at the end of make test. A failure wins over a skip.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace sonavistor::test {

inline constexpr int kSkippedExitCode = 77;

inline int runAllTestsReportingSkips()
{
    const int status = RUN_ALL_TESTS();
    if (status != 0)
        return status;
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    int skipped = 0;
    for (int s = 0; s < unit.total_test_suite_count(); ++s) {
        const ::testing::TestSuite& suite = *unit.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const ::testing::TestInfo& info = *suite.GetTestInfo(t);
            if (!info.should_run() || !info.result()->Skipped())
                continue;
            std::string reason;
            for (int p = 0; p < info.result()->total_part_count(); ++p) {
                const ::testing::TestPartResult& part = info.result()->GetTestPartResult(p);
                if (part.skipped())
                    reason += part.message();
            }
            for (char& c : reason) {
                if (c == '\n')
                    c = ' ';
            }
            std::printf("SKIPPED: %s.%s: %s\n", suite.name(), info.name(), reason.empty() ? "(no reason given)" : reason.c_str());
            ++skipped;
        }
    }
    std::fflush(stdout);
    return skipped > 0 ? kSkippedExitCode : 0;
}

}  // namespace sonavistor::test
