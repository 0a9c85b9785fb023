# The tray icon component and its manager, a library of their own so that
# tests reach them without the rest of the shell.
torvelle_library(torvelle_trayicon STATIC
  ${CMAKE_CURRENT_LIST_DIR}/TrayNotifyIcon.cpp ${CMAKE_CURRENT_LIST_DIR}/TrayNotifyIcon.h
  ${CMAKE_CURRENT_LIST_DIR}/IconManager.cpp ${CMAKE_CURRENT_LIST_DIR}/IconManager.h)
set_target_properties(torvelle_trayicon PROPERTIES AUTOMOC ON)
target_link_libraries(torvelle_trayicon PUBLIC torvelle_platform Qt6::Widgets)
