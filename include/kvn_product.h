/*
 * kvn_product.h - constants of the one product this system upgrades.
 *
 * Shared by the ISP library, the upgrade application, the command-line tool
 * and the product emulator, so that all of them agree on the ids, the
 * password and the boot-entry report. Plain C so that any host can use it.
 */
#ifndef KVN_PRODUCT_H
#define KVN_PRODUCT_H

#include <stdint.h>

/* USB ids of the product while its user firmware runs. 0x1209 is a vendor id
 * set aside for open and test hardware; it belongs to no chip maker. */
#define KVN_DEVICE_VENDOR_ID 0x1209u
#define KVN_DEVICE_PRODUCT_ID 0x0047u

/* USB ids under which the chip's boot loader shows itself. */
#define KVN_BOOT_VENDOR_ID 0x1209u
#define KVN_BOOT_PRODUCT_ID 0x7140u

/* The ISP password: eight decimal digits. */
#define KVN_ISP_PASSWORD "20461379"

/* The product's microcontroller. */
#define KVN_PRODUCT_CHIP_NAME "Tolv-01"

/* The built-in boot-entry report: the 8 bytes that make the user firmware
 * jump into the boot loader. Catalogue chip number 6 uses the same report
 * with another last byte. */
#define KVN_BOOT_ENTRY_FRAME_INIT {0x5Cu, 0x13u, 0xE0u, 0x7Bu, 0x22u, 0xD9u, 0xA4u, 0x6Fu}
#define KVN_BOOT_ENTRY_CHIP6_LAST_BYTE 0x70u
#define KVN_BOOT_ENTRY_CHIP6_INDEX 6

/* Feature report data lengths of the product's two report kinds. */
#define KVN_SHORT_FRAME_BYTES 8
#define KVN_LONG_FRAME_BYTES 64

#endif /* KVN_PRODUCT_H */
