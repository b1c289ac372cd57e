/*
 * kvn_isp.h - the public C interface of the ISP library (libKvnHidLib).
 *
 * The library programs the flash of the product's microcontroller through its
 * boot loader, with commands carried in HID feature reports. A host sets the
 * password, the chip, the USB ids and the device mask, loads a firmware image,
 * starts one background job and polls it:
 *
 *   KvnISP_SetPassword, KvnISP_SetChipName, KvnISP_SetVendorID,
 *   KvnISP_SetProductID, KvnISP_SetDevNum       set-up, any order
 *   KvnISP_LoadHexFileData / ...                load, after the chip is named
 *   KvnISP_StartISP                             0 = job started, else error code
 *   KvnISP_GetISPProcessPos, KvnISP_IsWorkFinished, KvnISP_GetLastErrorCode
 *                                               poll until finished
 *
 * There are no handles: all state is process-wide. Booleans are one byte
 * (1 true, 0 false). Texts are zero-terminated UTF-8 strings. A failing call
 * may leave an error code for KvnISP_GetLastErrorCode; only KvnISP_StartISP
 * clears it. While a job runs, call nothing but the three getters.
 *
 * Nothing here throws, prints or exits. Messages meant for the user (bad
 * Intel HEX, the crystal-setting question) go to the handler installed with
 * KvnISP_SetMessageHandler, or to standard error when none is installed.
 */
#ifndef KVN_ISP_H
#define KVN_ISP_H

#include <stdint.h>

#if defined(_WIN32)
#define KVN_ISP_CALL __stdcall
#else
#define KVN_ISP_CALL
#endif

#if defined(KVN_ISP_BUILDING) && defined(__GNUC__)
#define KVN_ISP_API __attribute__((visibility("default")))
#elif defined(KVN_ISP_BUILDING) && defined(_WIN32)
#define KVN_ISP_API __declspec(dllexport)
#else
#define KVN_ISP_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One-byte boolean of every yes/no result. */
typedef uint8_t KvnBool;

/* Size of the destination buffer of KvnISP_GetDevName, terminator included. */
#define KVN_ISP_DEV_NAME_SIZE 256

/*
 * A host's handler for the library's user messages. askYesNo is 0 for a
 * notice (the result is ignored) and 1 for a question; a nonzero result
 * answers Yes. Without a handler a notice is one line on standard error and
 * a question is answered No. The handler may be called from the job's worker
 * thread and must be safe to call from there.
 */
typedef int (*KvnMessageHandler)(const char *text, const char *caption, int askYesNo);

/* Devices */
KVN_ISP_API int32_t KVN_ISP_CALL KvnISP_GetDevNum(uint32_t vendorId, uint32_t productId);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_OpenISPDevice(uint32_t vendorId, uint32_t productId);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_GetDevName(int32_t index, char *name);
KVN_ISP_API void KVN_ISP_CALL KvnISP_SetDevIndex(int32_t index);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetDevNum(uint32_t deviceMask);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_WriteData(const uint8_t *data, int32_t length);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_ReadData(uint8_t *data, int32_t length);

/* Set-up (vendor and product ids use the low 16 bits of the argument) */
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetPassword(const char *password);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetChipName(const char *chipName);
KVN_ISP_API int32_t KVN_ISP_CALL KvnISP_GetChipSeries(const char *chipName);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetVendorID(uint32_t vendorId);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetProductID(uint32_t productId);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetCodeSecurity(uint32_t level);
KVN_ISP_API void KVN_ISP_CALL KvnISP_SetResetFlag(uint8_t flag);
KVN_ISP_API void KVN_ISP_CALL KvnISP_SetXtalEnable(uint8_t flag);

/* Images */
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_LoadHexFileData(const char *path);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_LoadHexBuffer(const char *text, int32_t length);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_LoadBinBuffer(const uint8_t *data, uint32_t count);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_LoadVrelFileData(const char *path);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_LoadBuffer(const uint8_t *data, uint32_t count);
KVN_ISP_API uint16_t KVN_ISP_CALL KvnISP_GetVrelCheckSum(void);

/* The job */
KVN_ISP_API int32_t KVN_ISP_CALL KvnISP_StartISP(void);
KVN_ISP_API int32_t KVN_ISP_CALL KvnISP_GetISPProcessPos(void);
KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_IsWorkFinished(void);
KVN_ISP_API uint16_t KVN_ISP_CALL KvnISP_GetLastErrorCode(void);

/* User messages (not one of the 25 classic entry points; optional for hosts) */
KVN_ISP_API void KVN_ISP_CALL KvnISP_SetMessageHandler(KvnMessageHandler handler);

#ifdef __cplusplus
}
#endif

#endif /* KVN_ISP_H */
