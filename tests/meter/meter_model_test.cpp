#include "meter/fake_hid_platform.h"
#include "meter/meter_connection.h"
#include "meter/models/usb_logger/usb_logger_model.h"

#include <gtest/gtest.h>

#include <deque>

using namespace sonavistor;

namespace {

// A model that differs from the first only in its product id.
class OtherIdModel : public UsbLoggerModel {
public:
    explicit OtherIdModel(quint16 productId) : productId_(productId) {}
    const char* name() const override { return "other_id"; }
    quint16 productId() const override { return productId_; }

private:
    quint16 productId_;
};

}  // namespace

TEST(MeterModels, FoundByVendorAndProductIdAndTheirRequestsRoundTrip)
{
    const MeterModel* first = findMeterModel(0x0483, 0x5750);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->name(), "usb_logger");
    // The table is the process's and keeps what is added: each run of this
    // case (--gtest_repeat) adds a model of a product id of its own.
    static std::deque<OtherIdModel> others;
    const auto id = static_cast<quint16>(0x1234 + others.size());
    EXPECT_EQ(findMeterModel(0x0483, id), nullptr);
    const OtherIdModel& other = others.emplace_back(id);
    registerMeterModel(&other);
    EXPECT_EQ(findMeterModel(0x0483, id), &other);
    EXPECT_EQ(findMeterModel(0x0483, 0x5750), first);

    const QByteArray request = first->encodeRecords(0x01020304, 70000);
    EXPECT_EQ(request.toHex(), "c4010203040001117" "0");
    const auto* payload = reinterpret_cast<const quint8*>(request.constData());
    EXPECT_EQ(first->commandOf(payload, 9), MeterCommand::Records);
    EXPECT_EQ(first->commandOf(payload, 5), MeterCommand::Unknown);  // a record request cut short
    EXPECT_EQ(first->recordsAsked(payload, 9), std::make_pair(quint32(0x01020304), quint32(70000)));

    const QByteArray count = first->encodeCount(0xEF, 1410);
    std::array<int, 64> reply{};
    for (qsizetype i = 0; i < count.size(); ++i)
        reply[static_cast<size_t>(i)] = static_cast<quint8>(count[i]);
    EXPECT_EQ(first->decodeCount(reply.data()), std::make_pair(0xEF, qint32(1410)));
}

TEST(MeterReservations, OneUserAtATimeAndEachGivesBackOnlyItsOwnMarker)
{
    FakeHidPlatform platform;
    MeterConnection meter(&platform);
    {
        MeterReservation importing = meter.reserve(MeterUse::Importing);
        ASSERT_TRUE(importing);
        EXPECT_EQ(MeterLink.Busy, 30);
        EXPECT_FALSE(meter.reserve(MeterUse::Measuring));
        EXPECT_EQ(MeterLink.Busy, 30);  // the refused one left the marker alone
        MeterReservation moved = std::move(importing);
        importing.release();  // the emptied one has nothing to give back
        EXPECT_EQ(MeterLink.Busy, 30);
    }
    EXPECT_FALSE(meter.inUse());

    MeterReservation measuring = meter.reserve(MeterUse::Measuring);
    MeterLink.Busy = 30;  // taken over meanwhile by someone else
    measuring.release();
    EXPECT_EQ(MeterLink.Busy, 30);
    MeterLink.Busy = 0;
}
