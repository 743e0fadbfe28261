// Quillport against the real libusb-0.1 of this machine. The test compares
// with libusb-0.1 itself: both share one library state, so each Quillport
// call is checked against what the direct call reports at that point.
#include <usb.h>

#include <gtest/gtest.h>

extern "C" {
struct usb_bus* libusb_get_busses(void);
void libusb_init(void);
int libusb_find_busses(void);
int libusb_find_devices(void);
char* libusb_strerror(void);
}

TEST(QuillportWithLibusb, BusListBeforeInitIsWhatLibusbGives)
{
    // Nothing has initialised the library in this process yet.
    EXPECT_EQ(libusb_get_busses(), usb_get_busses());
    EXPECT_EQ(libusb_get_busses(), nullptr);
}

TEST(QuillportWithLibusb, InitAndScanBehaveAsLibusbDoes)
{
    libusb_init();
    // Without a USB file system (as in a container) libusb-0.1 reports a
    // negative error code, and keeps doing so; with one, the first scan counts
    // the changes and a second one finds none.
    const int busses = libusb_find_busses();
    const int bussesAgain = usb_find_busses();
    EXPECT_EQ(bussesAgain, busses < 0 ? busses : 0);
    EXPECT_EQ(libusb_find_busses(), bussesAgain);
    const int devices = libusb_find_devices();
    const int devicesAgain = usb_find_devices();
    EXPECT_EQ(devicesAgain, devices < 0 ? devices : 0);
    EXPECT_EQ(libusb_find_devices(), devicesAgain);
    // The same bus list, the very same pointer.
    EXPECT_EQ(libusb_get_busses(), usb_get_busses());
    EXPECT_EQ(libusb_get_busses(), usb_busses);
    EXPECT_EQ(libusb_strerror(), usb_strerror());
}
