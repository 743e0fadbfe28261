// The report definition against any text: it parses or fails with the
// line and column, and a definition that parses has sensible columns.
#include "common/error.h"
#include "print/report_definition.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstdlib>

using namespace sonavistor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    try {
        const ReportDefinition d =
            parseReportDefinition(QString::fromUtf8(fuzz::bytes(data, size)), QStringLiteral("fuzz.rav"));
        for (const ReportColumn& column : d.columns) {
            if (!(column.widthMm > 0))
                std::abort();
        }
        if (!(d.paperMm.width() > 0 && d.paperMm.height() > 0))
            std::abort();
    } catch (const Error&) {
    }
    return 0;
}
