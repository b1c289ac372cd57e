# cmake -DBUILD_DIR=... -DDEST=... -DLIBDIR=... -P check_install.cmake
# Installs the build tree into DEST with DESTDIR and checks that the
# application lands beside the library, reachable from bin/, with its
# desktop entry and every icon.
file(REMOVE_RECURSE "${DEST}")
set(ENV{DESTDIR} "${DEST}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /opt/kvn
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed (${result}): ${errors}")
endif()
set(root "${DEST}/opt/kvn")
set(expected
  "${LIBDIR}/kavrin-upgrade-tool/KavrinUpgradeTool"
  "${LIBDIR}/kavrin-upgrade-tool/libKvnHidLib.so"
  share/applications/kavrin-upgrade-tool.desktop
  share/icons/hicolor/scalable/apps/kavrin-upgrade-tool.svg)
foreach(size 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/kavrin-upgrade-tool.png)
endforeach()
foreach(file ${expected})
  if(NOT EXISTS "${root}/${file}" OR IS_DIRECTORY "${root}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
# bin/KavrinUpgradeTool is a relative link, so the tree can move as a whole;
# the application then still finds the library beside its real file.
set(link "${root}/bin/KavrinUpgradeTool")
if(NOT IS_SYMLINK "${link}")
  message(FATAL_ERROR "bin/KavrinUpgradeTool is not a link")
endif()
file(READ_SYMLINK "${link}" target)
if(IS_ABSOLUTE "${target}")
  message(FATAL_ERROR "bin/KavrinUpgradeTool points to an absolute path: ${target}")
endif()
file(REAL_PATH "${link}" resolved)
file(REAL_PATH "${root}/${LIBDIR}/kavrin-upgrade-tool/KavrinUpgradeTool" wanted)
if(NOT resolved STREQUAL wanted)
  message(FATAL_ERROR "bin/KavrinUpgradeTool resolves to ${resolved}, not ${wanted}")
endif()
file(REMOVE_RECURSE "${DEST}")
