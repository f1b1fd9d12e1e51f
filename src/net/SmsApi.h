#pragma once

/*
 * The text-message gateway library SMSAPI.so, loaded by the program from its
 * program folder. The delivered library speaks HTTP(S) to the gateway that
 * data/smsgate.ini describes; a gateway vendor may replace it with a library
 * of its own that exports these four functions with C linkage.
 *
 * Every text crosses as a zero-terminated GBK (GB18030) byte string. A handle
 * is a 32-bit number; 0 is never a valid handle. The program calls, for one
 * message: SmsOpen, SmsSend, SmsLastError when the send failed, SmsClose. It
 * may do so from a thread other than its user-interface thread, but never
 * uses one handle from two threads at once.
 *
 * This header is plain C so that a vendor can build against it without the
 * program's sources.
 */

#include <stdint.h>

#if defined(__GNUC__)
#define SMSAPI_EXPORT __attribute__((visibility("default")))
#else
#define SMSAPI_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens a session with the gateway. `server` is the ServerURL of
 * data/smsgate.ini as the program read it (possibly empty), `user` and `pass`
 * the account typed in the dialog. Returns a handle, or 0 when no session
 * could be opened. */
SMSAPI_EXPORT int32_t SmsOpen(const char* server, const char* user, const char* pass);

/* Sends one message to one number, both exactly as the user typed them.
 * `flags` is 0. Returns 1 or more when the gateway took the message, below 1
 * when it did not (SmsLastError then says why). */
SMSAPI_EXPORT int32_t SmsSend(int32_t handle, const char* mobile, const char* text, int32_t flags);

/* Why the last call on the session failed, as a text for the user; never
 * null. The text stays valid until the next call with the same handle. */
SMSAPI_EXPORT const char* SmsLastError(int32_t handle);

/* Ends the session; the handle is invalid afterwards. */
SMSAPI_EXPORT void SmsClose(int32_t handle);

typedef int32_t (*SmsOpenFunction)(const char*, const char*, const char*);
typedef int32_t (*SmsSendFunction)(int32_t, const char*, const char*, int32_t);
typedef const char* (*SmsLastErrorFunction)(int32_t);
typedef void (*SmsCloseFunction)(int32_t);

#ifdef __cplusplus
} /* extern "C" */
#endif
