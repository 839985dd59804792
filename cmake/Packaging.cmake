# The Debian package: `cpack -G DEB` in a build folder makes kestrano_<version>_<arch>.deb
# from what `cmake --install` puts under /usr.

set(CPACK_PACKAGE_NAME kestrano)
set(CPACK_PACKAGE_VENDOR "The Kestrano developers")
set(CPACK_PACKAGE_CONTACT "The Kestrano developers <developers@kestrano.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop project planner with a Gantt chart")
# The extended description in lines that fit a terminal, as the Debian policy asks.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Kestrano plans projects: tasks with durations in work hours, dependencies"
    "with lags, date constraints and header tasks, and resources with rates who"
    "work to calendars with holidays. After every change it recalculates the"
    "plan, levels over-committed resources and works out slack, the critical"
    "chain and the costs."
    ""
    "The plan is shown as a task list beside a day-by-day Gantt chart, with"
    "baselines, reports to printer, PDF, CSV and e-mail, CSV import and e-mailed"
    "status updates. kestrano-cli gives the same planner to scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/kestrano/kestrano)
# The libraries come from what the programs link to; the PDF pages need the Helvetica
# metrics of the URW fonts, and the desktop databases take the file type and icons.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-urw-base35, fontconfig")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/debian/postinst ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
