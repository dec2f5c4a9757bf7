# Where `cmake --install` puts things, after the GNU conventions. The program
# finds its data files and its browser module relative to its own directory,
# so the prefix can still be chosen at install time.
include(GNUInstallDirs)

# The browser module is private to the program: a directory of its own under
# the multiarch library directory, as Debian keeps such modules.
if(CMAKE_LIBRARY_ARCHITECTURE AND CMAKE_INSTALL_LIBDIR STREQUAL "lib")
  set(vellisk_default_moduledir "lib/${CMAKE_LIBRARY_ARCHITECTURE}/vellisk")
else()
  set(vellisk_default_moduledir "${CMAKE_INSTALL_LIBDIR}/vellisk")
endif()
set(VELLISK_INSTALL_MODULEDIR "${vellisk_default_moduledir}" CACHE STRING
    "Directory of the browser module, relative to the prefix")
set(VELLISK_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/vellisk")

foreach(dir CMAKE_INSTALL_BINDIR VELLISK_INSTALL_MODULEDIR VELLISK_INSTALL_DATADIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} must be relative to the prefix, not ${${dir}}")
  endif()
endforeach()

# The same directories as seen from the installed program ("../share/vellisk").
file(RELATIVE_PATH VELLISK_DATA_RELDIR "/p/${CMAKE_INSTALL_BINDIR}" "/p/${VELLISK_INSTALL_DATADIR}")
file(RELATIVE_PATH VELLISK_MODULE_RELDIR "/p/${CMAKE_INSTALL_BINDIR}" "/p/${VELLISK_INSTALL_MODULEDIR}")
