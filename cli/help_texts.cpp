#include "help_texts.h"

#include "kvn_product.h"

#include <cstdio>

#ifndef KVNISP_UDEV_RULES_PATH
#define KVNISP_UDEV_RULES_PATH "/usr/lib/udev/rules.d/60-kvnisp.rules"
#endif

namespace kvnisp {
namespace {

std::string Ids(unsigned vendorId, unsigned productId) {
  char text[16];
  std::snprintf(text, sizeof text, "%04x:%04x", vendorId, productId);
  return text;
}

std::string ProductDefaults() {
  return "Defaults match the product: chip " KVN_PRODUCT_CHIP_NAME ", ids " +
         Ids(KVN_DEVICE_VENDOR_ID, KVN_DEVICE_PRODUCT_ID) + " (user firmware),\nthen " +
         Ids(KVN_BOOT_VENDOR_ID, KVN_BOOT_PRODUCT_ID) +
         " (its boot loader, where a product left by an interrupted upgrade\n"
         "waits), and the product's ISP password.\n";
}

const char kExitStatuses[] =
    "Exit status:\n"
    "  0  success\n"
    "  1  the library refused a setting, or a system error\n"
    "  2  usage error (bad option, unknown chip, several devices and no choice)\n"
    "  3  image error (file missing, unreadable or refused by the library)\n"
    "  4  no matching device\n"
    "  5  the job failed (its code and meaning are printed), or a question was answered No\n"
    "  6  a matching device exists but cannot be opened (permissions)\n"
    "130  interrupted\n";

}  // namespace

const char *UdevRulesPath() { return KVNISP_UDEV_RULES_PATH; }

std::string TryHelpLine(const std::string &command) {
  return "Try 'kvnisp" + (command.empty() ? std::string() : " " + command) + " --help'.";
}

std::string MainHelp() {
  return "Usage: kvnisp COMMAND [OPTIONS]\n"
         "\n"
         "Command-line host of the ISP library (libKvnHidLib.so): upgrades the firmware\n"
         "of the product's microcontroller through its boot loader over USB HID.\n"
         "\n"
         "Commands:\n"
         "  chips                      list the chip catalogue: name, record, image kind,\n"
         "                             report length, procedure group\n"
         "  checksum [--chip NAME] FILE\n"
         "                             load an image as the library does and print its checksum\n"
         "  list [--chip NAME] [--vid V --pid P]\n"
         "                             list the matching HID interfaces, numbered from 0\n"
         "  flash [--chip NAME] [--vid V --pid P] [--mask M | --index N] [--security L]\n"
         "        [--no-reset] [--wait SECONDS] [--yes] [--quiet] [--json] FILE\n"
         "                             program FILE into the product\n"
         "\n"
         "Run 'kvnisp COMMAND --help' for the options of a command.\n"
         "\n" +
         ProductDefaults() +
         "\n"
         "Options for every command:\n"
         "  -h, --help     show the command's help\n"
         "      --version  show the version (kvnisp --version)\n"
         "\n" +
         kExitStatuses;
}

std::string ChipsHelp() {
  return "Usage: kvnisp chips [--json]\n"
         "\n"
         "Lists the 40 chip names the library knows, each with its catalogue record\n"
         "(the number KvnISP_GetChipSeries answers), the image kind (Vrel file, or\n"
         "Intel HEX / raw binary with a word or byte checksum), the command frame\n"
         "length in bytes (8 or 64; the HID feature report is one byte longer), the\n"
         "procedure group, and the image size in bytes (Vrel file size, or the bytes\n"
         "the checksum covers).\n"
         "\n"
         "The record comes from the library; a name the library refuses is marked.\n"
         "\n"
         "Options:\n"
         "      --json     print one JSON object with a \"chips\" array\n"
         "  -h, --help     show this help\n";
}

std::string ChecksumHelp() {
  return "Usage: kvnisp checksum [--chip NAME] [--json] [--quiet] FILE\n"
         "\n"
         "Loads FILE into the library as the chip's image kind asks, and prints the\n"
         "16-bit checksum the library reports (KvnISP_GetVrelCheckSum), as four\n"
         "hexadecimal digits, to compare with the one published with the firmware.\n"
         "\n"
         "Intel HEX and raw binary chips: FILE must end in \"hex\" or \"bin\"; the checksum\n"
         "is the word sum (Tolv chips) or byte sum (Vrel-01) over the chip's flash.\n"
         "Vrel chips: FILE is a Vrel file (256-byte header and program memory) of the\n"
         "chip's size; the checksum is the byte sum of the program memory.\n"
         "No device is needed.\n"
         "\n"
         "Options:\n"
         "      --chip NAME   chip of the image (default " KVN_PRODUCT_CHIP_NAME "; see 'kvnisp chips')\n"
         "      --json        print one JSON object: chip, record, file, checksum\n"
         "  -q, --quiet       print only the four digits\n"
         "  -h, --help        show this help\n"
         "\n"
         "Exit status: 0 success, 2 usage error or unknown chip, 3 image error.\n";
}

std::string ListHelp() {
  return "Usage: kvnisp list [--chip NAME] [--vid V --pid P] [--json] [--quiet]\n"
         "\n"
         "Lists the HID interfaces that the library's discovery finds for the ids, with\n"
         "their names, numbered from 0 as 'kvnisp flash --index N' and the bits of\n"
         "'--mask M' count them. The chip decides which report length an interface\n"
         "must have to be listed (65 bytes for 64-byte frames, 9 for 8-byte frames).\n"
         "Hidraw nodes that carry the ids but are not listed are shown too, with the\n"
         "reason: a report length that does not fit the chip, or no permission to\n"
         "open them (then install the udev rules, see below).\n"
         "\n"
         "Without --vid/--pid both of the product's id pairs are listed:\n"
         "  " +
         Ids(KVN_DEVICE_VENDOR_ID, KVN_DEVICE_PRODUCT_ID) + " user firmware, " +
         Ids(KVN_BOOT_VENDOR_ID, KVN_BOOT_PRODUCT_ID) +
         " boot loader.\n"
         "\n"
         "Options:\n"
         "      --chip NAME   chip whose report length is expected (default " KVN_PRODUCT_CHIP_NAME ")\n"
         "      --vid V       USB vendor id, hexadecimal as lsusb shows it (0x optional)\n"
         "      --pid P       USB product id, hexadecimal; --vid and --pid go together\n"
         "      --json        print one JSON object with a \"devices\" array\n"
         "  -q, --quiet       print only the interface lines\n"
         "  -h, --help        show this help\n"
         "\n"
         "Permissions: " +
         UdevRulesPath() +
         " gives the logged-in user access\n"
         "to the product's hidraw nodes; after installing it run\n"
         "  sudo udevadm control --reload && sudo udevadm trigger\n"
         "\n"
         "Exit status: 0 at least one interface listed, 2 usage error, 4 none,\n"
         "6 a node with the ids exists but cannot be opened (also beside listed ones).\n";
}

std::string FlashHelp() {
  return "Usage: kvnisp flash [OPTIONS] FILE\n"
         "\n"
         "Programs FILE into the product: sets the ISP password, the chip, the ids and\n"
         "the image, starts the library's job and follows it until it finishes. The\n"
         "job erases, programs, verifies and (unless --no-reset) restarts the product.\n"
         "\n" +
         ProductDefaults() +
         "When nothing answers under the user-firmware ids, the boot-loader ids are\n"
         "tried, so a product left in its boot loader is found and finished. Given\n"
         "--vid/--pid, only those ids are tried.\n"
         "\n"
         "Options:\n"
         "      --chip NAME     chip of the product (default " KVN_PRODUCT_CHIP_NAME "; see 'kvnisp chips')\n"
         "      --vid V         USB vendor id, hexadecimal (0x optional)\n"
         "      --pid P         USB product id, hexadecimal; --vid and --pid go together\n"
         "      --index N       program device N (0-7) of 'kvnisp list'\n"
         "      --mask M        program the devices whose bits are set in M (1-255, 0x..\n"
         "                      allowed); bit N is device N of 'kvnisp list'\n"
         "      --security L    code security level 0-3 to program (default 0)\n"
         "      --no-reset      leave the product in its boot loader afterwards\n"
         "      --wait SECONDS  wait up to SECONDS for a matching product to appear; a\n"
         "                      node refused with EACCES is retried for 2 s meanwhile\n"
         "  -y, --yes           answer Yes to the library's questions (e.g. the crystal\n"
         "                      setting); without it they are asked on the terminal, or\n"
         "                      answered No when standard input is not a terminal\n"
         "  -q, --quiet         no progress and no success line; errors still go to\n"
         "                      standard error\n"
         "      --json          standard output holds exactly one JSON object: chip,\n"
         "                      ids, image checksum, error code and meaning, duration\n"
         "                      (messages and questions go to standard error)\n"
         "  -h, --help          show this help\n"
         "\n"
         "Several matching products and neither --index nor --mask: nothing is\n"
         "programmed; the matches are listed instead.\n"
         "\n"
         "Progress: on a terminal one line with the phase (erase, program), a bar, the\n"
         "percentage and the elapsed time; otherwise a plain line at each ten percent.\n"
         "\n" +
         kExitStatuses +
         "\n"
         "When a matching node exists but cannot be opened, kvnisp says so and names\n"
         "the udev rules file " +
         UdevRulesPath() + ".\n";
}

}  // namespace kvnisp
