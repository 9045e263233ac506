# GNU libiconv for the Windows build, from the source that the npm registry
# package iconv@3.0.1 bundles. The tarball is fetched into the build tree at
# configure time, checked against the registry's published integrity hash and
# unpacked there; no third-party source is kept in the repository.
set(QV_ICONV_PACKAGE "iconv@3.0.1")
set(QV_ICONV_INTEGRITY
    "sha512-lJnFLxVc0d82R7GfU7a9RujKVUQ3Eee19tPKWZWBJtAEGRHVEyFzCtbNl3GPKuDnHBBRT4/nDS4Ru9AIDT72qA==")
set(QV_ICONV_DIR "${CMAKE_BINARY_DIR}/_deps/iconv")
set(QV_ICONV_TARBALL "${QV_ICONV_DIR}/iconv-3.0.1.tgz")

if(NOT EXISTS "${QV_ICONV_DIR}/package/deps/libiconv/lib/iconv.c")
  file(MAKE_DIRECTORY "${QV_ICONV_DIR}")
  if(NOT EXISTS "${QV_ICONV_TARBALL}")
    find_program(QV_NPM npm REQUIRED)
    execute_process(
      COMMAND "${QV_NPM}" pack "${QV_ICONV_PACKAGE}" --silent
      WORKING_DIRECTORY "${QV_ICONV_DIR}"
      RESULT_VARIABLE npm_result)
    if(NOT npm_result EQUAL 0 OR NOT EXISTS "${QV_ICONV_TARBALL}")
      message(FATAL_ERROR "npm pack ${QV_ICONV_PACKAGE} failed")
    endif()
  endif()
  # The registry's integrity is "sha512-" and the base64 of the raw digest.
  find_program(QV_OPENSSL openssl REQUIRED)
  execute_process(
    COMMAND sh -c "\"${QV_OPENSSL}\" dgst -sha512 -binary \"${QV_ICONV_TARBALL}\" | \"${QV_OPENSSL}\" base64 -A"
    OUTPUT_VARIABLE digest RESULT_VARIABLE digest_result)
  if(NOT digest_result EQUAL 0 OR NOT "sha512-${digest}" STREQUAL QV_ICONV_INTEGRITY)
    file(REMOVE "${QV_ICONV_TARBALL}")
    message(FATAL_ERROR "${QV_ICONV_PACKAGE}: integrity mismatch (got sha512-${digest})")
  endif()
  file(ARCHIVE_EXTRACT INPUT "${QV_ICONV_TARBALL}" DESTINATION "${QV_ICONV_DIR}")
endif()

set(QV_ICONV_ROOT "${QV_ICONV_DIR}/package")
add_library(qv_libiconv STATIC
  "${QV_ICONV_ROOT}/deps/libiconv/lib/iconv.c"
  "${QV_ICONV_ROOT}/support/localcharset.c")
target_compile_definitions(qv_libiconv PRIVATE ICONV_CONST=const ENABLE_EXTRA=1 PUBLIC LIBICONV_STATIC)
target_include_directories(qv_libiconv
  PRIVATE "${QV_ICONV_ROOT}/deps/libiconv/lib"
  PUBLIC "${QV_ICONV_ROOT}/support")
# Not our code: its warnings are not ours to fix.
target_compile_options(qv_libiconv PRIVATE -w)
