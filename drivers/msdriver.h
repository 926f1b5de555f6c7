/* The device-access library: finds the mouse by vendor and product id, opens
 * its feature and report channels, sends and reads reports, and tells the
 * program about device notices, arrival and removal.
 *
 * The program loads the library at run time from its own folder
 * ("MSDriver.so" on Linux) and looks every entry point up by name. All
 * functions are callable from any thread; each call is complete before
 * another starts. */
#ifndef MSDRIVER_H
#define MSDRIVER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Posts a window message with two parameters to the program's main window.
 * Must be safe to call from any thread and must not block. */
typedef void (*MsPostMessageFn)(void* target, unsigned int message, uintptr_t wParam,
                                intptr_t lParam);

/* Stands in for a window handle: where the library posts its messages. The
 * library copies the structure; target must stay valid until the library is
 * unloaded or Close_DevMonitor returns. */
typedef struct MsWindow {
    void* target;
    MsPostMessageFn post;
} MsWindow;

/* Device notices: wParam = class << 8 (0x07 DPI level, 0x05 report rate,
 * 0x08 button mode), lParam = value. Arrival and removal: wParam 1 / 0. */
void Set_VIDPID(int vid, int pid);
void Open_DevMonitor(const MsWindow* window, unsigned int noticeMessage,
                     unsigned int deviceMessage);
void Close_DevMonitor(void);
int Open_FeatureDevice(void);
int Close_FeatureDevice(void);
int Open_ReportDevice(void); /* non-zero when the mouse is present and opened */
int Close_ReportDevice(void);
int SetFeature(unsigned char* report, int length); /* 8 bytes; non-zero on success */
int GetFeature(unsigned char* buffer, int length); /* request in, reply out */
int WriteUSB(unsigned char* report, int length);   /* 32 bytes */
int ReadUSB(unsigned char* buffer, int length);

#ifdef __cplusplus
}
#endif

#endif
