/*
 * Quillport: the libusb-0.1 interface under libusb_ names.
 *
 * Every export hands its arguments, in order, to the libusb-0.1 function of
 * the same stem and returns that function's result unchanged. The library
 * has no state and no logic of its own.
 *
 * On 32-bit Windows the exports use the standard calling convention (the
 * callee removes its arguments) while libusb0.dll's functions use the C
 * convention; the compiler bridges the two in each export.
 */
#ifdef _WIN32
#include "usbbridge/libusb0_api.h"
#define QP_CALL __stdcall
#define QP_EXPORT
#define QP_CONST
#else
#include <usb.h>
#define QP_CALL
#define QP_EXPORT __attribute__((visibility("default")))
#define QP_CONST const
#endif

#include "usbbridge/quillport_exports.h"

#define QP_DEFINE(ret, name, target, params, args, bytes) \
    QP_EXPORT ret QP_CALL name params { return target args; }

QUILLPORT_EXPORTS(QP_DEFINE)

#ifdef _WIN32
/* Loading and unloading need nothing: report success in every case. */
int __stdcall DllMain(void* instance, unsigned long reason, void* reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return 1;
}
#endif
