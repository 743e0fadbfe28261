// main() for test programs without Qt: skips reported as skips.
#include "tests/support/skip_report.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return sonavistor::test::runAllTestsReportingSkips();
}
