/*
 * The parts of libusb0.dll's interface that Quillport forwards to, for the
 * Windows build (the Linux build uses the system's usb.h). Every argument is
 * one 32-bit value there; the structures only pass through.
 */
#ifndef QUILLPORT_LIBUSB0_API_H
#define QUILLPORT_LIBUSB0_API_H

#include <stddef.h>

struct usb_device;
struct usb_bus;
struct usb_dev_handle;
typedef struct usb_dev_handle usb_dev_handle;

#define QP_CDECL __cdecl
usb_dev_handle* QP_CDECL usb_open(struct usb_device* dev);
int QP_CDECL usb_close(usb_dev_handle* dev);
int QP_CDECL usb_get_string(usb_dev_handle* dev, int index, int langid, char* buf, size_t buflen);
int QP_CDECL usb_get_string_simple(usb_dev_handle* dev, int index, char* buf, size_t buflen);
int QP_CDECL usb_get_descriptor_by_endpoint(usb_dev_handle* udev, int ep, unsigned char type,
                                            unsigned char index, void* buf, int size);
int QP_CDECL usb_get_descriptor(usb_dev_handle* udev, unsigned char type, unsigned char index,
                                void* buf, int size);
int QP_CDECL usb_bulk_write(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
int QP_CDECL usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
int QP_CDECL usb_interrupt_write(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
int QP_CDECL usb_interrupt_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
int QP_CDECL usb_control_msg(usb_dev_handle* dev, int requesttype, int request, int value,
                             int index, char* bytes, int size, int timeout);
int QP_CDECL usb_set_configuration(usb_dev_handle* dev, int configuration);
int QP_CDECL usb_claim_interface(usb_dev_handle* dev, int interface);
int QP_CDECL usb_release_interface(usb_dev_handle* dev, int interface);
int QP_CDECL usb_set_altinterface(usb_dev_handle* dev, int alternate);
int QP_CDECL usb_resetep(usb_dev_handle* dev, unsigned int ep);
int QP_CDECL usb_clear_halt(usb_dev_handle* dev, unsigned int ep);
int QP_CDECL usb_reset(usb_dev_handle* dev);
char* QP_CDECL usb_strerror(void);
void QP_CDECL usb_init(void);
void QP_CDECL usb_set_debug(int level);
int QP_CDECL usb_find_busses(void);
int QP_CDECL usb_find_devices(void);
struct usb_device* QP_CDECL usb_device(usb_dev_handle* dev);
struct usb_bus* QP_CDECL usb_get_busses(void);

#endif
