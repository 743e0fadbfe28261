/* What the libusb-0.1 stand-in records of the last call it received. */
#ifndef USB_RECORDER_H
#define USB_RECORDER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct recorded_call {
    char name[48];
    int count;          /* number of arguments */
    intptr_t args[8];   /* each argument widened to a pointer-sized integer */
};

struct recorded_call* recorder_last_call(void);
void recorder_return(intptr_t value);  /* what the next call returns */

#ifdef __cplusplus
}
#endif

#endif
