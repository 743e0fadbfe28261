/*
 * The 25 exports of Quillport, each with the libusb-0.1 function it calls.
 * X(return type, export, libusb-0.1 function, (parameters), (arguments), argument bytes on i386)
 */
#ifndef QUILLPORT_EXPORTS_H
#define QUILLPORT_EXPORTS_H

#define QUILLPORT_EXPORTS(X)                                                                      \
    X(usb_dev_handle*, libusb_open, usb_open, (struct usb_device* dev), (dev), 4)                 \
    X(int, libusb_close, usb_close, (usb_dev_handle* dev), (dev), 4)                               \
    X(int, libusb_get_string, usb_get_string,                                                      \
      (usb_dev_handle* dev, int index, int langid, char* buf, size_t buflen),                     \
      (dev, index, langid, buf, buflen), 20)                                                       \
    X(int, libusb_get_string_simple, usb_get_string_simple,                                        \
      (usb_dev_handle* dev, int index, char* buf, size_t buflen), (dev, index, buf, buflen), 16)   \
    X(int, libusb_get_descriptor_by_endpoint, usb_get_descriptor_by_endpoint,                      \
      (usb_dev_handle* udev, int ep, unsigned char type, unsigned char index, void* buf, int size), \
      (udev, ep, type, index, buf, size), 24)                                                      \
    X(int, libusb_get_descriptor, usb_get_descriptor,                                              \
      (usb_dev_handle* udev, unsigned char type, unsigned char index, void* buf, int size),         \
      (udev, type, index, buf, size), 20)                                                          \
    X(int, libusb_bulk_write, usb_bulk_write,                                                      \
      (usb_dev_handle* dev, int ep, QP_CONST char* bytes, int size, int timeout),                  \
      (dev, ep, bytes, size, timeout), 20)                                                         \
    X(int, libusb_bulk_read, usb_bulk_read,                                                        \
      (usb_dev_handle* dev, int ep, char* bytes, int size, int timeout),                           \
      (dev, ep, bytes, size, timeout), 20)                                                         \
    X(int, libusb_interrupt_write, usb_interrupt_write,                                            \
      (usb_dev_handle* dev, int ep, QP_CONST char* bytes, int size, int timeout),                  \
      (dev, ep, bytes, size, timeout), 20)                                                         \
    X(int, libusb_interrupt_read, usb_interrupt_read,                                              \
      (usb_dev_handle* dev, int ep, char* bytes, int size, int timeout),                           \
      (dev, ep, bytes, size, timeout), 20)                                                         \
    X(int, libusb_control_msg, usb_control_msg,                                                    \
      (usb_dev_handle* dev, int requesttype, int request, int value, int index, char* bytes,      \
       int size, int timeout),                                                                     \
      (dev, requesttype, request, value, index, bytes, size, timeout), 32)                         \
    X(int, libusb_set_configuration, usb_set_configuration,                                        \
      (usb_dev_handle* dev, int configuration), (dev, configuration), 8)                           \
    X(int, libusb_claim_interface, usb_claim_interface, (usb_dev_handle* dev, int interface),      \
      (dev, interface), 8)                                                                         \
    X(int, libusb_release_interface, usb_release_interface,                                        \
      (usb_dev_handle* dev, int interface), (dev, interface), 8)                                   \
    X(int, libusb_set_altinterface, usb_set_altinterface, (usb_dev_handle* dev, int alternate),    \
      (dev, alternate), 8)                                                                         \
    X(int, libusb_resetep, usb_resetep, (usb_dev_handle* dev, unsigned int ep), (dev, ep), 8)      \
    X(int, libusb_clear_halt, usb_clear_halt, (usb_dev_handle* dev, unsigned int ep), (dev, ep), 8) \
    X(int, libusb_reset, usb_reset, (usb_dev_handle* dev), (dev), 4)                               \
    X(char*, libusb_strerror, usb_strerror, (void), (), 0)                                         \
    X(void, libusb_init, usb_init, (void), (), 0)                                                  \
    X(void, libusb_set_debug, usb_set_debug, (int level), (level), 4)                              \
    X(int, libusb_find_busses, usb_find_busses, (void), (), 0)                                     \
    X(int, libusb_find_devices, usb_find_devices, (void), (), 0)                                   \
    X(struct usb_device*, libusb_device, usb_device, (usb_dev_handle* dev), (dev), 4)              \
    X(struct usb_bus*, libusb_get_busses, usb_get_busses, (void), (), 0)

#endif
