// Every Quillport export, loaded against a recording stand-in for
// libusb-0.1: the arguments arrive in order and the result comes back
// unchanged, pointers and negative error codes included.
#include "tests/usbbridge/usb_recorder.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

using Args = std::vector<intptr_t>;

struct Library {
    void* recorder = nullptr;
    void* quillport = nullptr;
    recorded_call* (*lastCall)() = nullptr;
    void (*willReturn)(intptr_t) = nullptr;

    Library()
    {
        // The stand-in first and global: its soname is libusb-0.1.so.4, so
        // Quillport's dependency is satisfied by it, not by the real library.
        recorder = dlopen(USB_RECORDER_PATH, RTLD_NOW | RTLD_GLOBAL);
        if (recorder) {
            lastCall = reinterpret_cast<recorded_call* (*)()>(dlsym(recorder, "recorder_last_call"));
            willReturn = reinterpret_cast<void (*)(intptr_t)>(dlsym(recorder, "recorder_return"));
        }
        quillport = dlopen(QUILLPORT_PATH, RTLD_NOW | RTLD_LOCAL);
    }
    template <typename F>
    F fn(const char* name) const
    {
        return reinterpret_cast<F>(dlsym(quillport, name));
    }
};

const Library& library()
{
    static Library lib;
    return lib;
}

struct Case {
    const char* exportName;
    const char* target;
    Args expected;
    std::function<intptr_t(const Library&)> call;  // returns what the export returned
};

void* ptr(intptr_t v) { return reinterpret_cast<void*>(v); }
char* chars(intptr_t v) { return reinterpret_cast<char*>(v); }

std::vector<Case> cases()
{
    // Distinct values everywhere, so a swapped or dropped argument shows.
    const intptr_t h = 0x5a5a1000, d = 0x7b7b2000, buf = 0x3c3c3000;
    using H = void*;
    return {
        {"libusb_open", "usb_open", {d},
         [=](const Library& l) { return reinterpret_cast<intptr_t>(l.fn<H (*)(H)>("libusb_open")(ptr(d))); }},
        {"libusb_close", "usb_close", {h},
         [=](const Library& l) { return intptr_t(l.fn<int (*)(H)>("libusb_close")(ptr(h))); }},
        {"libusb_get_string", "usb_get_string", {h, 3, 0x409, buf, 255},
         [=](const Library& l) {
             return intptr_t(l.fn<int (*)(H, int, int, char*, size_t)>("libusb_get_string")(ptr(h), 3, 0x409, chars(buf), 255));
         }},
        {"libusb_get_string_simple", "usb_get_string_simple", {h, 2, buf, 128},
         [=](const Library& l) {
             return intptr_t(l.fn<int (*)(H, int, char*, size_t)>("libusb_get_string_simple")(ptr(h), 2, chars(buf), 128));
         }},
        {"libusb_get_descriptor_by_endpoint", "usb_get_descriptor_by_endpoint", {h, 0x81, 0x22, 7, buf, 64},
         [=](const Library& l) {
             return intptr_t(l.fn<int (*)(H, int, unsigned char, unsigned char, void*, int)>(
                 "libusb_get_descriptor_by_endpoint")(ptr(h), 0x81, 0x22, 7, ptr(buf), 64));
         }},
        {"libusb_get_descriptor", "usb_get_descriptor", {h, 0x02, 5, buf, 9},
         [=](const Library& l) {
             return intptr_t(l.fn<int (*)(H, unsigned char, unsigned char, void*, int)>("libusb_get_descriptor")(
                 ptr(h), 0x02, 5, ptr(buf), 9));
         }},
        {"libusb_bulk_write", "usb_bulk_write", {h, 0x02, buf, 65, 1000},
         [=](const Library& l) {
             return intptr_t(l.fn<int (*)(H, int, const char*, int, int)>("libusb_bulk_write")(ptr(h), 0x02, chars(buf), 65, 1000));
         }},
        {"libusb_bulk_read", "usb_bulk_read", {h, 0x81, buf, 64, 500},
         [=](const Library& l) {
             return intptr_t(l.fn<int (*)(H, int, char*, int, int)>("libusb_bulk_read")(ptr(h), 0x81, chars(buf), 64, 500));
         }},
        {"libusb_interrupt_write", "usb_interrupt_write", {h, 0x01, buf, 8, 250},
         [=](const Library& l) {
             return intptr_t(l.fn<int (*)(H, int, const char*, int, int)>("libusb_interrupt_write")(ptr(h), 0x01, chars(buf), 8, 250));
         }},
        {"libusb_interrupt_read", "usb_interrupt_read", {h, 0x83, buf, 16, 125},
         [=](const Library& l) {
             return intptr_t(l.fn<int (*)(H, int, char*, int, int)>("libusb_interrupt_read")(ptr(h), 0x83, chars(buf), 16, 125));
         }},
        {"libusb_control_msg", "usb_control_msg", {h, 0xA1, 0x01, 0x0300, 2, buf, 65, 5000},
         [=](const Library& l) {
             return intptr_t(l.fn<int (*)(H, int, int, int, int, char*, int, int)>("libusb_control_msg")(
                 ptr(h), 0xA1, 0x01, 0x0300, 2, chars(buf), 65, 5000));
         }},
        {"libusb_set_configuration", "usb_set_configuration", {h, 1},
         [=](const Library& l) { return intptr_t(l.fn<int (*)(H, int)>("libusb_set_configuration")(ptr(h), 1)); }},
        {"libusb_claim_interface", "usb_claim_interface", {h, 4},
         [=](const Library& l) { return intptr_t(l.fn<int (*)(H, int)>("libusb_claim_interface")(ptr(h), 4)); }},
        {"libusb_release_interface", "usb_release_interface", {h, 5},
         [=](const Library& l) { return intptr_t(l.fn<int (*)(H, int)>("libusb_release_interface")(ptr(h), 5)); }},
        {"libusb_set_altinterface", "usb_set_altinterface", {h, 6},
         [=](const Library& l) { return intptr_t(l.fn<int (*)(H, int)>("libusb_set_altinterface")(ptr(h), 6)); }},
        {"libusb_resetep", "usb_resetep", {h, 0x82},
         [=](const Library& l) { return intptr_t(l.fn<int (*)(H, unsigned)>("libusb_resetep")(ptr(h), 0x82)); }},
        {"libusb_clear_halt", "usb_clear_halt", {h, 0x84},
         [=](const Library& l) { return intptr_t(l.fn<int (*)(H, unsigned)>("libusb_clear_halt")(ptr(h), 0x84)); }},
        {"libusb_reset", "usb_reset", {h},
         [=](const Library& l) { return intptr_t(l.fn<int (*)(H)>("libusb_reset")(ptr(h))); }},
        {"libusb_strerror", "usb_strerror", {},
         [=](const Library& l) { return reinterpret_cast<intptr_t>(l.fn<char* (*)()>("libusb_strerror")()); }},
        {"libusb_find_busses", "usb_find_busses", {},
         [=](const Library& l) { return intptr_t(l.fn<int (*)()>("libusb_find_busses")()); }},
        {"libusb_find_devices", "usb_find_devices", {},
         [=](const Library& l) { return intptr_t(l.fn<int (*)()>("libusb_find_devices")()); }},
        {"libusb_device", "usb_device", {h},
         [=](const Library& l) { return reinterpret_cast<intptr_t>(l.fn<H (*)(H)>("libusb_device")(ptr(h))); }},
        {"libusb_get_busses", "usb_get_busses", {},
         [=](const Library& l) { return reinterpret_cast<intptr_t>(l.fn<H (*)()>("libusb_get_busses")()); }},
    };
}

void expectForwarded(const Library& lib, const char* target, const Args& expected)
{
    const recorded_call* call = lib.lastCall();
    EXPECT_STREQ(call->name, target);
    ASSERT_EQ(call->count, static_cast<int>(expected.size())) << target;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(call->args[i], expected[i]) << target << " argument " << i;
}

}  // namespace

TEST(QuillportForwarding, LoadsAgainstTheStandIn)
{
    ASSERT_NE(library().recorder, nullptr) << dlerror();
    ASSERT_NE(library().quillport, nullptr) << dlerror();
}

TEST(QuillportForwarding, ArgumentsArriveInOrderAndResultsComeBackUnchanged)
{
    const Library& lib = library();
    ASSERT_TRUE(lib.quillport && lib.recorder);
    // Pointers, a negative error code, zero and a large count.
    const intptr_t results[] = {static_cast<intptr_t>(0x1234abcd), -110, 0, 64};
    for (const Case& c : cases()) {
        ASSERT_NE(dlsym(lib.quillport, c.exportName), nullptr) << c.exportName;
        for (intptr_t result : results) {
            lib.willReturn(result);
            const intptr_t got = c.call(lib);
            expectForwarded(lib, c.target, c.expected);
            const bool returnsInt = std::string(c.exportName) != "libusb_open" &&
                                    std::string(c.exportName) != "libusb_strerror" &&
                                    std::string(c.exportName) != "libusb_device" &&
                                    std::string(c.exportName) != "libusb_get_busses";
            EXPECT_EQ(got, returnsInt ? intptr_t(static_cast<int>(result)) : result) << c.exportName;
        }
    }
}

TEST(QuillportForwarding, ExportsWithoutResultStillForward)
{
    const Library& lib = library();
    ASSERT_TRUE(lib.quillport && lib.recorder);
    lib.fn<void (*)()>("libusb_init")();
    expectForwarded(lib, "usb_init", {});
    lib.fn<void (*)(int)>("libusb_set_debug")(-3);
    expectForwarded(lib, "usb_set_debug", {-3});
}

TEST(QuillportLinuxLibrary, ExportsExactlyTheTwentyFiveNames)
{
    FILE* nm = popen("nm -D --defined-only " QUILLPORT_PATH, "r");
    ASSERT_NE(nm, nullptr);
    std::vector<std::string> names;
    char line[512];
    while (fgets(line, sizeof line, nm)) {
        char type = 0;
        char name[400] = {};
        if (sscanf(line, "%*s %c %399s", &type, name) != 2)
            continue;
        if (type == 'A')  // the version node itself, not a function
            continue;
        std::string symbol(name);
        symbol = symbol.substr(0, symbol.find('@'));
        names.push_back(symbol);
    }
    pclose(nm);
    std::vector<std::string> expected;
    for (const Case& c : cases())
        expected.emplace_back(c.exportName);
    expected.emplace_back("libusb_init");
    expected.emplace_back("libusb_set_debug");
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}
