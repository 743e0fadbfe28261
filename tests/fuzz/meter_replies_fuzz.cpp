// The meter's replies to every request against any bytes: the input is cut
// into reports of up to 64 bytes and handed to the report handler under each
// request kind, then the day list is built from the image for a count taken
// from the input.
#include "meter/fake_hid_platform.h"
#include "meter/meter_connection.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstdlib>
#include <memory>

using namespace sonavistor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    static FakeHidPlatform platform;
    static std::unique_ptr<MeterConnection> meter = std::make_unique<MeterConnection>(&platform);
    if (size < 2)
        return 0;
    const quint32 kinds[] = {KindNone, KindLive, KindCount, KindPages, KindDates, 3, 0xFFFFFFFFu};
    MeterLink.RequestKind = kinds[data[0] % std::size(kinds)];
    MeterLink.PageIndex = (data[1] % 2) ? 12799 : 0;  // now and then at the image's very end
    for (size_t at = 2; at < size; at += 64) {
        const int length = static_cast<int>(std::min<size_t>(64 + (data[at] & 1), size - at));
        MeterLink.Pending = true;
        meter->SaveRead(nullptr, 0, data + at, length);
        if (MeterLink.Pending)
            std::abort();  // every report ends the wait it answers
        if (MeterLink.PageIndex < 0 || MeterLink.PageIndex > MemoryImage.pageCount())
            std::abort();
    }
    const qint32 count = size >= 6 ? static_cast<qint32>(data[2] << 24 | data[3] << 16 | data[4] << 8 | data[5]) : 0;
    const qint32 dates = buildDateIndex(MemoryImage, count, DateIndex);
    if (dates < 1 || dates > kDateIndexSize)
        std::abort();
    return 0;
}
