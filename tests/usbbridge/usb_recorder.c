/*
 * A stand-in for libusb-0.1 that records how it was called. Its soname is
 * libusb-0.1.so.4, so a Quillport loaded after it binds to it instead of the
 * real library.
 */
#include "tests/usbbridge/usb_recorder.h"

#include <string.h>

static struct recorded_call last;
static intptr_t next_result;

struct recorded_call* recorder_last_call(void) { return &last; }
void recorder_return(intptr_t value) { next_result = value; }

static void record(const char* name, int count, intptr_t a0, intptr_t a1, intptr_t a2, intptr_t a3,
                   intptr_t a4, intptr_t a5, intptr_t a6, intptr_t a7)
{
    const intptr_t args[8] = {a0, a1, a2, a3, a4, a5, a6, a7};
    memset(&last, 0, sizeof last);
    strncpy(last.name, name, sizeof last.name - 1);
    last.count = count;
    memcpy(last.args, args, sizeof args);
}

#define R(name, n, ...) record(#name, n, __VA_ARGS__)
#define P(x) ((intptr_t)(x))

void* usb_open(void* dev) { R(usb_open, 1, P(dev), 0, 0, 0, 0, 0, 0, 0); return (void*)next_result; }
int usb_close(void* dev) { R(usb_close, 1, P(dev), 0, 0, 0, 0, 0, 0, 0); return (int)next_result; }
int usb_get_string(void* dev, int index, int langid, char* buf, size_t buflen)
{ R(usb_get_string, 5, P(dev), index, langid, P(buf), (intptr_t)buflen, 0, 0, 0); return (int)next_result; }
int usb_get_string_simple(void* dev, int index, char* buf, size_t buflen)
{ R(usb_get_string_simple, 4, P(dev), index, P(buf), (intptr_t)buflen, 0, 0, 0, 0); return (int)next_result; }
int usb_get_descriptor_by_endpoint(void* udev, int ep, unsigned char type, unsigned char index, void* buf, int size)
{ R(usb_get_descriptor_by_endpoint, 6, P(udev), ep, type, index, P(buf), size, 0, 0); return (int)next_result; }
int usb_get_descriptor(void* udev, unsigned char type, unsigned char index, void* buf, int size)
{ R(usb_get_descriptor, 5, P(udev), type, index, P(buf), size, 0, 0, 0); return (int)next_result; }
int usb_bulk_write(void* dev, int ep, const char* bytes, int size, int timeout)
{ R(usb_bulk_write, 5, P(dev), ep, P(bytes), size, timeout, 0, 0, 0); return (int)next_result; }
int usb_bulk_read(void* dev, int ep, char* bytes, int size, int timeout)
{ R(usb_bulk_read, 5, P(dev), ep, P(bytes), size, timeout, 0, 0, 0); return (int)next_result; }
int usb_interrupt_write(void* dev, int ep, const char* bytes, int size, int timeout)
{ R(usb_interrupt_write, 5, P(dev), ep, P(bytes), size, timeout, 0, 0, 0); return (int)next_result; }
int usb_interrupt_read(void* dev, int ep, char* bytes, int size, int timeout)
{ R(usb_interrupt_read, 5, P(dev), ep, P(bytes), size, timeout, 0, 0, 0); return (int)next_result; }
int usb_control_msg(void* dev, int requesttype, int request, int value, int index, char* bytes, int size, int timeout)
{ R(usb_control_msg, 8, P(dev), requesttype, request, value, index, P(bytes), size, timeout); return (int)next_result; }
int usb_set_configuration(void* dev, int configuration)
{ R(usb_set_configuration, 2, P(dev), configuration, 0, 0, 0, 0, 0, 0); return (int)next_result; }
int usb_claim_interface(void* dev, int interface)
{ R(usb_claim_interface, 2, P(dev), interface, 0, 0, 0, 0, 0, 0); return (int)next_result; }
int usb_release_interface(void* dev, int interface)
{ R(usb_release_interface, 2, P(dev), interface, 0, 0, 0, 0, 0, 0); return (int)next_result; }
int usb_set_altinterface(void* dev, int alternate)
{ R(usb_set_altinterface, 2, P(dev), alternate, 0, 0, 0, 0, 0, 0); return (int)next_result; }
int usb_resetep(void* dev, unsigned int ep)
{ R(usb_resetep, 2, P(dev), (intptr_t)ep, 0, 0, 0, 0, 0, 0); return (int)next_result; }
int usb_clear_halt(void* dev, unsigned int ep)
{ R(usb_clear_halt, 2, P(dev), (intptr_t)ep, 0, 0, 0, 0, 0, 0); return (int)next_result; }
int usb_reset(void* dev) { R(usb_reset, 1, P(dev), 0, 0, 0, 0, 0, 0, 0); return (int)next_result; }
char* usb_strerror(void) { R(usb_strerror, 0, 0, 0, 0, 0, 0, 0, 0, 0); return (char*)next_result; }
void usb_init(void) { R(usb_init, 0, 0, 0, 0, 0, 0, 0, 0, 0); }
void usb_set_debug(int level) { R(usb_set_debug, 1, level, 0, 0, 0, 0, 0, 0, 0); }
int usb_find_busses(void) { R(usb_find_busses, 0, 0, 0, 0, 0, 0, 0, 0, 0); return (int)next_result; }
int usb_find_devices(void) { R(usb_find_devices, 0, 0, 0, 0, 0, 0, 0, 0, 0); return (int)next_result; }
void* usb_device(void* dev) { R(usb_device, 1, P(dev), 0, 0, 0, 0, 0, 0, 0); return (void*)next_result; }
void* usb_get_busses(void) { R(usb_get_busses, 0, 0, 0, 0, 0, 0, 0, 0, 0); return (void*)next_result; }
