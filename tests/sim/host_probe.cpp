// A host program that uses only the library's exports: selects a chip,
// counts and names the devices, writes one report and reads one back.
//
//   host_probe CHIP VID PID HEX   (ids in hexadecimal)
//
// Prints "count N", "name I TEXT" per device and "read HEX"; exits 0 when
// every step worked, else the number of the step that failed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kvn_isp.h"

namespace {

bool ParseHex(const char *text, std::vector<uint8_t> &out) {
  const std::size_t length = std::strlen(text);
  if (length % 2 != 0) return false;
  for (std::size_t i = 0; i < length; i += 2) {
    char pair[3] = {text[i], text[i + 1], 0};
    char *end = nullptr;
    out.push_back(static_cast<uint8_t>(std::strtoul(pair, &end, 16)));
    if (*end != '\0') return false;
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<uint8_t> frame;
  if (argc != 5 || !ParseHex(argv[4], frame)) {
    std::fprintf(stderr, "usage: host_probe CHIP VID PID HEX\n");
    return 1;
  }
  if (!KvnISP_SetChipName(argv[1])) return 2;
  const uint32_t vid = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 16));
  const uint32_t pid = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 16));
  const int32_t count = KvnISP_GetDevNum(vid, pid);
  std::printf("count %d\n", count);
  for (int32_t i = 0; i < count; ++i) {
    char name[KVN_ISP_DEV_NAME_SIZE];
    if (!KvnISP_GetDevName(i, name)) return 3;
    std::printf("name %d %s\n", i, name);
  }
  if (count == 0) return 4;
  if (!KvnISP_OpenISPDevice(vid, pid)) return 5;
  if (!KvnISP_WriteData(frame.data(), static_cast<int32_t>(frame.size()))) return 6;
  std::vector<uint8_t> answer(frame.size(), 0);
  if (!KvnISP_ReadData(answer.data(), static_cast<int32_t>(answer.size()))) return 7;
  std::printf("read ");
  for (uint8_t b : answer) std::printf("%02X", b);
  std::printf("\n");
  return 0;
}
