// Record and transfer decoding against any memory image: no crash, and a
// transfer decodes to 60 rows a record with RecNo from 0, or to nothing.
#include "import/day_import.h"
#include "import/record_decoder.h"

#include <cstdlib>

using namespace sonavistor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static MemoryImageData image;
    const size_t n = std::min<size_t>(size, static_cast<size_t>(kMaxImportRecords) * kRecordSize);
    for (size_t i = 0; i < n; ++i)
        image.m[i] = data[i];
    const int records = static_cast<int>(n / kRecordSize);
    for (int r = 0; r < records; ++r) {
        (void)DecodeRecordHeader(image.m.data() + static_cast<size_t>(r) * kRecordSize);
        (void)DecodeRecord(image.m.data() + static_cast<size_t>(r) * kRecordSize);
    }
    if (const auto rows = decodeTransfer(image.m, records)) {
        if (rows->size() != static_cast<size_t>(records) * kSamplesPerRecord)
            std::abort();
        for (size_t i = 0; i < rows->size(); ++i) {
            if ((*rows)[i].RecNo != static_cast<qint32>(i) || (*rows)[i].NDate.size() > 10 ||
                (*rows)[i].NTime.size() > 8)
                std::abort();  // a row the saved file could not hold
        }
    }
    return 0;
}
