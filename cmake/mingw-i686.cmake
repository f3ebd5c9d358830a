# 32-bit Windows, the home platform. This machine runs no 32-bit programs:
# what it builds is inspected only.
set(VESK_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
