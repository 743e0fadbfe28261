// Quillport's libusb_ names and libusb-1.0's functions of the same names, in
// one process: each library gives its own functions.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>

TEST(QuillportBesideLibusb1, EachLibraryKeepsItsOwnFunctions)
{
    void* libusb1 = dlopen("libusb-1.0.so.0", RTLD_NOW | RTLD_GLOBAL);
    if (!libusb1)
        GTEST_SKIP() << "libusb-1.0 is not installed here: " << dlerror();
    void* quillport = dlopen(QUILLPORT_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(quillport, nullptr) << dlerror();

    for (const char* name : {"libusb_open", "libusb_close", "libusb_init", "libusb_claim_interface",
                             "libusb_release_interface", "libusb_clear_halt", "libusb_set_configuration"}) {
        void* theirs = dlsym(libusb1, name);
        void* ours = dlsym(quillport, name);
        ASSERT_NE(theirs, nullptr) << name;
        ASSERT_NE(ours, nullptr) << name;
        EXPECT_NE(theirs, ours) << name;
        Dl_info info{};
        ASSERT_NE(dladdr(ours, &info), 0);
        EXPECT_NE(std::string(info.dli_fname).find("libquillport"), std::string::npos) << name;
    }
    // The versioned name is Quillport's alone.
    EXPECT_EQ(dlvsym(quillport, "libusb_open", "QUILLPORT_1.0"), dlsym(quillport, "libusb_open"));
    EXPECT_EQ(dlvsym(libusb1, "libusb_open", "QUILLPORT_1.0"), nullptr);

    // libusb-1.0 still works after Quillport came in.
    using Init = int (*)(void**);
    using Exit = void (*)(void*);
    void* context = nullptr;
    const int status = reinterpret_cast<Init>(dlsym(libusb1, "libusb_init"))(&context);
    if (status == 0)
        reinterpret_cast<Exit>(dlsym(libusb1, "libusb_exit"))(context);
    EXPECT_LE(status, 0);
    dlclose(quillport);
}
