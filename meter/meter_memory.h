#pragma once
// The received copy of the meter's memory and the index of its recording
// days. Both are allocated once for the run; reads overwrite them from the
// start and leave what lies beyond as it was.
// Written by: the bulk reads (pages) and the date-index build.

#include "meter/meter_answers.h"
#include "meter/meter_model.h"

#include <QtGlobal>

#include <vector>

namespace sonavistor {

inline constexpr int kMemoryImageSize = 819201;  // entries, one byte value 0..255 each
inline constexpr int kPageSize = 64;
inline constexpr int kDateIndexSize = 262145;
inline constexpr int kDateBlocks = 193;
inline constexpr int kEntriesPerBlock = 1365;
inline constexpr int kBlockBytes = 4096;

struct MemoryImageData {
    std::vector<int> m = std::vector<int>(kMemoryImageSize, 0);
    int& operator[](int i) { return m[static_cast<size_t>(i)]; }
    int operator[](int i) const { return m[static_cast<size_t>(i)]; }
    const int* page(int p) const { return m.data() + static_cast<size_t>(p) * kPageSize; }
    int pageCount() const { return kMemoryImageSize / kPageSize; }
    // The whole pages of pageSize bytes the image holds.
    static int pageCount(int pageSize) { return kMemoryImageSize / pageSize; }
};

struct DateIndexData {
    // Entry i: (year << 16) | (month << 8) | day, each byte BCD as the meter stores it.
    std::vector<qint32> Dates = std::vector<qint32>(kDateIndexSize, 0);
    // Entry i: the 1-based number of the first record made on that date.
    std::vector<qint32> FirstRecord = std::vector<qint32>(kDateIndexSize, 0);
    // Valid entries. Counted in full: a memory with more than 255 dates keeps
    // every day (an 8-bit count would wrap and lose them).
    qint32 DateCount = 0;
};

extern MemoryImageData MemoryImage;
extern DateIndexData DateIndex;

// Builds the index from the date area held in image for recordCount records,
// laid out as dates says (the date-index build of the date-area read).
// Returns the entry count.
qint32 buildDateIndex(const MemoryImageData& image, qint32 recordCount, DateIndexData& index,
                      const DateLayout& dates = DateLayout{});

}  // namespace sonavistor
