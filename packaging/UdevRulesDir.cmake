# Where udev reads packaged rules. udev ignores rules below /usr/local, so
# the default does not follow CMAKE_INSTALL_PREFIX: it is udev's own folder
# (from udev.pc when present), else /usr/lib/udev/rules.d. Set
# KVNISP_UDEV_RULES_DIR to install elsewhere (for example /etc/udev/rules.d).
if(NOT DEFINED KVNISP_UDEV_RULES_DIR)
  set(_kvn_udev_dir "")
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_get_variable(_kvn_udev_dir udev udevdir)
  endif()
  if(_kvn_udev_dir STREQUAL "")
    set(_kvn_udev_dir "/usr/lib/udev")
  endif()
  set(KVNISP_UDEV_RULES_DIR "${_kvn_udev_dir}/rules.d" CACHE PATH
      "Directory into which 60-kvnisp.rules is installed")
endif()
