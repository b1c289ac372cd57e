#include "error_words.h"

namespace kvnisp {
namespace {

// Indexed by the code. Codes 8, 9 and 15 are part of the numbering but the
// library never stores them.
constexpr ErrorWords kErrorTable[kHighestErrorCode + 1] = {
    /* 0 */ {"no error", false},
    /* 1 */ {"the ISP password is missing, shorter than 8 characters, or not 8 decimal digits", false},
    /* 2 */ {"the vendor id is 0", false},
    /* 3 */ {"the product id is 0", false},
    /* 4 */ {"the chip name is not in the catalogue, or no chip is selected", false},
    /* 5 */ {"loading the 8-bit image failed, or no 8-bit image was loaded when the job was started", false},
    /* 6 */ {"the Vrel image's size is not the selected chip's", false},
    /* 7 */ {"no device with the requested vendor and product ids, or sending the boot-entry report failed", false},
    /* 8 */ {"unused code (never stored by the library)", false},
    /* 9 */ {"unused code (never stored by the library)", false},
    /* 10 */ {"reading the boot loader's firmware version failed", false},
    /* 11 */ {"the boot loader's firmware version does not belong to the chip", false},
    /* 12 */ {"the image's firmware version differs from the device's", false},
    /* 13 */ {"the device's firmware variant is not supported", false},
    /* 14 */ {"the password command failed", false},
    /* 15 */ {"unused code (never stored by the library)", false},
    /* 16 */ {"the encryption-setting command failed", false},
    /* 17 */ {"the erase command failed", false},
    /* 18 */ {"the chip erase was not confirmed", false},
    /* 19 */ {"the blank check failed", false},
    /* 20 */ {"enable program failed", false},
    /* 21 */ {"writing program data failed", false},
    /* 22 */ {"reading or writing the code option failed", false},
    /* 23 */ {"the code option read back differs from the one written (warning: the chip was programmed)", true},
    /* 24 */ {"the chip is protected, the code option was not updated (warning: the chip was programmed)", true},
    /* 25 */ {"the checksum command failed", false},
    /* 26 */ {"the programmed flash's checksum differs from the image's", false},
    /* 27 */ {"sending the return to user mode failed", false},
    /* 28 */ {"reading a report failed", false},
    /* 29 */ {"the code-option erase command failed", false},
    /* 30 */ {"the erase command failed", false},
    /* 31 */ {"the blank check failed", false},
    /* 32 */ {"writing the code option failed", false},
    /* 33 */ {"the security level is above 3", false},
    /* 34 */ {"the device is at security level CS3, or writing the code option before programming failed", false},
    /* 35 */ {"reading the code option failed", false},
    /* 36 */ {"the option page erase command failed", false},
    /* 37 */ {"the option page checksum command failed", false},
    /* 38 */ {"enable program for the option page failed", false},
    /* 39 */ {"the device carries a protection level other than the requested one", false},
    /* 40 */ {"the code option read back or the option page checksum differs from the image", false},
};

}  // namespace

ErrorWords DescribeErrorCode(uint16_t code) {
  if (code <= kHighestErrorCode) return kErrorTable[code];
  return {"unknown error code", false};
}

}  // namespace kvnisp
