# Strict flags for every target of ours; the Qt defines catch implicit
# conversions between byte strings and QString, which matters in a program
# whose texts are Japanese and whose stored values are Shift-JIS.
add_library(vellisk_flags INTERFACE)
target_compile_options(vellisk_flags INTERFACE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
target_compile_definitions(vellisk_flags INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER
  QT_NO_FOREACH
  QT_STRICT_ITERATORS)

# CI builds with every warning an error (make test WERROR=ON).
option(VELLISK_WERROR "Treat compiler warnings as errors" OFF)
if(VELLISK_WERROR)
  target_compile_options(vellisk_flags INTERFACE -Werror)
endif()
