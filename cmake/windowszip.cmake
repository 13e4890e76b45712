# make windows-zip: velmorasca-VERSION-win64.zip with the engine, its DLL,
# the UCI copy, the default book, the licence and a README on installing it.
set(VELMOR_ZIP_NAME velmorasca-${PROJECT_VERSION}-win64)
set(VELMOR_ZIP_STAGE ${CMAKE_BINARY_DIR}/zip/${VELMOR_ZIP_NAME})
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/README.txt ${CMAKE_BINARY_DIR}/zip/README.txt @ONLY NEWLINE_STYLE CRLF)
# velmorasca-uci.exe is the copy the engine's build makes beside it.
set(VELMOR_ZIP_FILES $<TARGET_FILE:velmorasca> $<TARGET_FILE:velmorutil> $<TARGET_FILE_DIR:velmorasca>/velmorasca-uci.exe
    ${CMAKE_SOURCE_DIR}/data/book.txt ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/zip/README.txt)
add_custom_target(windows-zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VELMOR_ZIP_STAGE} ${CMAKE_BINARY_DIR}/${VELMOR_ZIP_NAME}.zip
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMOR_ZIP_STAGE}
  COMMAND ${CMAKE_COMMAND} -E copy ${VELMOR_ZIP_FILES} ${VELMOR_ZIP_STAGE}
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/zip
          ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/${VELMOR_ZIP_NAME}.zip --format=zip ${VELMOR_ZIP_NAME}
  DEPENDS velmorasca velmorutil
  COMMENT "${VELMOR_ZIP_NAME}.zip")
