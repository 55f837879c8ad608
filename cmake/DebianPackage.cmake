# The Debian package, made by cpack from the install rules (scripts/package). dpkg-shlibdeps
# finds the libraries the binary links; the Qt plugins it loads at run time no linker sees, so
# the packages that hold them are named too: the xcb and Wayland platforms, the SVG icon engine
# and the image formats copies are decoded with. Which package holds which plugin changes between
# releases, so dpkg says.

set(TQ_RUNTIME_PLUGINS
    platforms/libqxcb.so
    platforms/libqwayland-generic.so
    iconengines/libqsvgicon.so
    imageformats/libqsvg.so
    imageformats/libqjpeg.so
    imageformats/libqgif.so
    imageformats/libqwebp.so
    imageformats/libqtiff.so)
set(TQ_PLUGIN_PACKAGES)
foreach(plugin ${TQ_RUNTIME_PLUGINS})
    set(path ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/${plugin})
    execute_process(COMMAND dpkg-query --search ${path} OUTPUT_VARIABLE owner
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(failed)
        message(WARNING "No Debian package holds ${path}; the package will not depend on it")
        continue()
    endif()
    # "libqt6gui6:amd64: /usr/lib/..." names the package before the first ':' or ','.
    string(REGEX MATCH "^[^:,]+" owner "${owner}")
    list(APPEND TQ_PLUGIN_PACKAGES ${owner})
endforeach()
list(REMOVE_DUPLICATES TQ_PLUGIN_PACKAGES)
list(JOIN TQ_PLUGIN_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallowquill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Tallowquill developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "clipboard history in the tray")
set(CPACK_PACKAGE_DESCRIPTION
    "Tallowquill keeps a history of what you copy and pastes any of it again from a
small popup opened with Super+Shift+V. It records plain text, rich text and
images, natively on X11 and on wlroots Wayland compositors, through XWayland
elsewhere.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The auto-paste help page opens in the desktop's browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
