# Installing and packaging: on Linux the install tree and a Debian package
# (cpack -G DEB); on Windows a portable zip and an NSIS installer (targets
# pagerook_zip and pagerook_installer). scripts/package builds all of them.
set(PAGEROOK_PUBLISHER "Pagerook developers")
set(PAGEROOK_CONTACT "Pagerook developers <pagerook@users.noreply.github.com>")
set(PAGEROOK_SUMMARY "save the pages of a document as numbered pictures")

if(WIN32)
  # A read-me and the licence (CRLF, for Notepad), then the portable zip and
  # the installer beside each other.
  set(packages ${PROJECT_BINARY_DIR}/packages)
  set(stage ${PROJECT_BINARY_DIR}/package-stage)
  set(zip ${packages}/pagerook-${PAGEROOK_VERSION}-windows.zip)
  set(setup ${packages}/pagerook-${PAGEROOK_VERSION}-setup.exe)
  set(nsi ${PROJECT_SOURCE_DIR}/resources/windows/pagerook.nsi)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/README.txt ${stage}/README.txt @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${stage}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  add_custom_command(
    OUTPUT ${zip}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packages}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:pagerook> ${stage}/pagerook.exe
    COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
    COMMAND ${CMAKE_COMMAND} -E chdir ${stage}
            ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip pagerook.exe README.txt LICENSE.txt
    DEPENDS pagerook ${stage}/README.txt ${stage}/LICENSE.txt
    COMMENT "Packing the portable zip"
    VERBATIM)
  find_program(PAGEROOK_MAKENSIS makensis)
  if(NOT PAGEROOK_MAKENSIS)
    message(WARNING "makensis not found (Debian package nsis): no Windows installer")
    add_custom_target(pagerook_packages ALL DEPENDS ${zip})
    return()
  endif()
  add_custom_command(
    OUTPUT ${setup}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packages}
    COMMAND ${PAGEROOK_MAKENSIS} -V2 -DVERSION=${PAGEROOK_VERSION}
            -DPROGRAM=$<TARGET_FILE:pagerook> -DREADME=${stage}/README.txt
            -DLICENSE=${stage}/LICENSE.txt
            -DICON=${PROJECT_BINARY_DIR}/resources/pagerook.ico -DOUTFILE=${setup} ${nsi}
    DEPENDS pagerook pagerook_icons ${stage}/README.txt ${stage}/LICENSE.txt ${nsi}
    COMMENT "Building the installer"
    VERBATIM)
  add_custom_target(pagerook_packages ALL DEPENDS ${zip} ${setup})
  return()
endif()

include(GNUInstallDirs)
install(TARGETS pagerook RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian wants the manual page and the changelog compressed, reproducibly.
set(doc_build ${PROJECT_BINARY_DIR}/package-doc)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in ${doc_build}/changelog @ONLY)
add_custom_command(
  OUTPUT ${doc_build}/pagerook.1.gz ${doc_build}/changelog.gz
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/pagerook.1 > ${doc_build}/pagerook.1.gz
  COMMAND gzip -9nc ${doc_build}/changelog > ${doc_build}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/pagerook.1 ${doc_build}/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(pagerook_docs ALL DEPENDS ${doc_build}/pagerook.1.gz ${doc_build}/changelog.gz)
install(FILES ${doc_build}/pagerook.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright ${doc_build}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME pagerook)
set(CPACK_PACKAGE_VENDOR ${PAGEROOK_PUBLISHER})
set(CPACK_PACKAGE_CONTACT ${PAGEROOK_CONTACT})
set(CPACK_PACKAGE_VERSION ${PAGEROOK_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PAGEROOK_SUMMARY})
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Pagerook shows a small always-on-top window with one button. Press it, drag\n"
  "a rectangle over the page of a document shown in a viewer or word\n"
  "processor, and Pagerook saves it as 0.jpg; then it presses Page Down in the\n"
  "document and saves the same rectangle as 1.jpg, 2.jpg and so on. The run\n"
  "stops by itself at the end of the document, or earlier when Esc is\n"
  "pressed. The pictures go to the folder 截图 in the home folder; each run\n"
  "first moves the old files of that folder to the trash.\n"
  "Pagerook needs an X11 session: under Wayland it sees and pages only the\n"
  "windows of X11 programs.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY pagerook)
set(CPACK_STRIP_FILES ON)
# Packaging builds only what it installs (scripts/package names those
# targets), not the tests and benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The theme the icons are installed into.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "hicolor-icon-theme")
# "打开截图文件夹" opens the folder with xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
