// The operations the HID transport needs from the operating system, as one
// table of plain functions.
//
// The library's discovery and report exchange (isplib/hid/) use nothing of
// the platform but this table. Linux fills it from libudev and hidraw
// (hidraw_backend.cpp); another system fills its own; tests install a fake
// with InstallHidBackend.
//
// Contract of every operation (none of them throws, prints or keeps state
// between calls beyond what the handle holds):
//
//   listInterfaces(cls, visit, context)
//     Calls visit(context, info) for every present HID interface of class
//     cls, in a stable order, until visit returns false. info and its texts
//     live only during the call. False when the list could not be obtained
//     (then visit may not have been called at all). A platform whose one
//     listing already holds every class answers the others with an empty list.
//
//   open(path, access) -> handle or kInvalidHidHandle
//     ReadWrite asks for read and write access; Query for the least access
//     that still allows the queries and feature transfers below.
//
//   getAttributes(handle, info, out) -> bool
//     Vendor id, product id and version number of the interface opened as
//     handle from the listed info. out is zero on entry and untouched on false.
//
//   getReportDescriptor(handle, dest, capacity) -> length or -1
//     Copies the interface's report descriptor to dest. -1 when it cannot be
//     read or does not fit into capacity bytes; never writes past capacity.
//
//   setFeature(handle, report, length) -> bool
//     Sends one feature report of length bytes; report[0] is the report id.
//     True only when the driver took the whole report.
//
//   getFeature(handle, report, length) -> bytes received or -1
//     report[0] holds the report id on entry; on success report[0 .. n-1]
//     hold the report id and the bytes received (1 <= n <= length); bytes at
//     n and beyond are left as they were. -1 on failure.
//
//   close(handle)
//     Releases a handle from open.
//
// Interrupted system calls are retried inside the operations.
#pragma once

#include <cstdint>

namespace kvn::platform {

using HidHandle = intptr_t;
inline constexpr HidHandle kInvalidHidHandle = -1;

enum class HidAccess { ReadWrite, Query };

// The device interface classes a discovery walks, in the order it tries them.
enum class HidInterfaceClass { Hid, Mouse, Keyboard };

struct HidAttributes {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
};

struct HidInterfaceInfo {
  const char *path = "";          // what open takes
  const char *instanceText = "";  // a name the user can recognise; empty when the path holds it
  HidAttributes attributes;       // as far as the listing knows them
};

using HidInterfaceVisitor = bool (*)(void *context, const HidInterfaceInfo &info);

struct HidBackend {
  bool (*listInterfaces)(HidInterfaceClass cls, HidInterfaceVisitor visit, void *context);
  HidHandle (*open)(const char *path, HidAccess access);
  bool (*getAttributes)(HidHandle handle, const HidInterfaceInfo &info, HidAttributes &out);
  int32_t (*getReportDescriptor)(HidHandle handle, uint8_t *dest, uint32_t capacity);
  bool (*setFeature)(HidHandle handle, const uint8_t *report, uint32_t length);
  int32_t (*getFeature)(HidHandle handle, uint8_t *report, uint32_t length);
  void (*close)(HidHandle handle);
};

// The backend of this platform.
const HidBackend &PlatformHidBackend();

// The backend every HID operation of the library uses now.
const HidBackend &CurrentHidBackend();

// Puts backend in place of the current one (nullptr: the platform's own)
// and returns the one it replaces. backend must outlive its use. Not to be
// called while a discovery or transfer runs.
const HidBackend *InstallHidBackend(const HidBackend *backend);

}  // namespace kvn::platform
