include(CMakePackageConfigHelpers)

install(TARGETS orvhost mediaplayer2 EXPORT MediaPlayer2Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(DIRECTORY host/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvhost
  FILES_MATCHING PATTERN "*.h")
foreach(layer plugin playlist loaders media ffmpeg)
  install(DIRECTORY ${layer}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/MediaPlayer2/${layer}
    FILES_MATCHING PATTERN "*.h")
endforeach()

set(MP2_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/MediaPlayer2)
install(EXPORT MediaPlayer2Targets NAMESPACE MediaPlayer2:: DESTINATION ${MP2_CMAKE_DIR})
configure_package_config_file(cmake/MediaPlayer2Config.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/MediaPlayer2Config.cmake INSTALL_DESTINATION ${MP2_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/MediaPlayer2ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/MediaPlayer2Config.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/MediaPlayer2ConfigVersion.cmake DESTINATION ${MP2_CMAKE_DIR})
