# Faster clean builds for CI: precompiled system headers and unity batches of test sources.
# Both hide a missing #include, so the default preset keeps them off and still catches one.
option(VERANDEL_PCH "Precompile the most-included system and Qt headers" OFF)
option(VERANDEL_UNITY_TESTS "Compile each test program in batches of its source files" OFF)
if(VERANDEL_UNITY_TESTS)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
endif()

# Chosen by how often the sources include them; system headers only, so editing our own headers
# never rebuilds a precompiled header.
set(VERANDEL_PCH_CORE_HEADERS
  <array> <exception> <functional> <memory> <optional>
  <QByteArray> <QDateTime> <QDBusConnection> <QDBusMessage> <QDBusObjectPath> <QDir> <QFileInfo>
  <QHash> <QHostAddress> <QJsonArray> <QJsonDocument> <QJsonObject> <QJsonValue> <QList> <QObject>
  <QPointer> <QSet> <QString> <QStringList> <QStringView> <QUuid>
  <QCoro/QCoroTask>)
set(VERANDEL_PCH_UI_HEADERS ${VERANDEL_PCH_CORE_HEADERS}
  <QColor> <QEvent> <QFont> <QFontMetrics> <QFrame> <QHBoxLayout> <QIcon> <QLabel> <QLayout>
  <QPainter> <QPalette> <QPixmap> <QPushButton> <QVBoxLayout> <QWidget>)
set(VERANDEL_PCH_TEST_HEADERS ${VERANDEL_PCH_CORE_HEADERS}
  <QCoreApplication> <QFile> <QSignalSpy> <QTemporaryDir> <QTest>
  <gtest/gtest.h>)

# A library's own precompiled header.
function(verandel_precompile_headers target)
  if(VERANDEL_PCH)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# A test program (or a benchmark that links the test support) made faster to build: it reuses the
# test support's precompiled header, so the build holds one of them, not one per folder.
function(verandel_speed_up_test_program target)
  if(VERANDEL_PCH)
    target_precompile_headers(${target} REUSE_FROM verandel_test_support)
  endif()
  if(VERANDEL_UNITY_TESTS)
    verandel_unity_batches(${target})
  endif()
endfunction()

# At -O0 with the sanitizers most of a test file's time goes to the inline and template code it
# instantiates; a batch of files compiled as one generates that once. Files that declare the same
# name at namespace scope (kPeer in two anonymous namespaces, say) go into different batches, which
# scripts/unity-groups works out from the sources.
function(verandel_unity_batches target)
  get_target_property(listed ${target} SOURCES)
  list(FILTER listed INCLUDE REGEX "\\.cpp$")
  set(sources "")
  foreach(source ${listed})
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND sources "${source}")
  endforeach()
  set(main "${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp")
  list(REMOVE_ITEM sources "${main}")
  if(NOT sources)
    return()
  endif()
  execute_process(
    COMMAND "${Python3_EXECUTABLE}" "${PROJECT_SOURCE_DIR}/scripts/unity-groups" 8 "${PROJECT_SOURCE_DIR}/tests" ${sources}
    OUTPUT_VARIABLE assignments
    COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "\n" ";" assignments "${assignments}")
  foreach(assignment ${assignments})
    if(assignment MATCHES "^(.+)=([0-9]+)$")
      set_source_files_properties("${CMAKE_MATCH_1}" PROPERTIES UNITY_GROUP "${CMAKE_MATCH_2}")
    endif()
  endforeach()
  # Every test program shares TestMain.cpp, and a source has one group in its folder: it joins each
  # program's first batch (it declares nothing but main).
  set_source_files_properties("${main}" PROPERTIES UNITY_GROUP "0")
  # Regrouped when a test file changes, since a new helper may clash.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sources} "${PROJECT_SOURCE_DIR}/scripts/unity-groups")
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_MODE GROUP)
  # Types from anonymous namespaces of several files meet in one batch.
  target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
endfunction()
