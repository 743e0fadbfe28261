#include "meter/meter_memory.h"

#include <algorithm>

namespace sonavistor {

MemoryImageData MemoryImage;
DateIndexData DateIndex;

qint32 buildDateIndex(const MemoryImageData& m, qint32 recordCount, DateIndexData& index, const DateLayout& dates)
{
    qint32 prev = m[0] * 65536 + m[1] * 256 + m[2];
    index.Dates[0] = prev;
    index.FirstRecord[0] = 1;
    qint32 i = 1;
    qint32 r = 0;
    qint32 limit = 1;
    const qint32 perBlock = dates.entriesPerBlock;
    for (int k = 0; k < dates.maxBlocks; ++k) {
        qint32 n = perBlock;
        limit += perBlock;
        bool last = false;
        if (limit > recordCount) {
            // A count from the meter may be anything, negative included.
            n = static_cast<qint32>(std::max<qint64>(0, qint64(recordCount) - (limit - perBlock) + 1));
            last = true;
        }
        for (qint32 e = 0; e < n; ++e) {
            const int x = dates.entryOffset(r);
            if (x + 2 >= kMemoryImageSize)
                break;
            const qint32 d = m[x] * 65536 + m[x + 1] * 256 + m[x + 2];
            if (d != prev && i < kDateIndexSize) {
                prev = d;
                index.Dates[static_cast<size_t>(i)] = d;
                index.FirstRecord[static_cast<size_t>(i)] = r + 1;
                ++i;
            }
            ++r;
        }
        if (last)
            break;
    }
    index.DateCount = i;
    return i;
}

}  // namespace sonavistor
