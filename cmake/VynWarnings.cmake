# Warnings are high and kept clean on every preset.
add_compile_options(-Wall -Wextra)
# GCC 12 warns wrongly about std::string's operator+(const char*, string&&)
# when it inlines it (its bug 105329); the warning finds nothing real here.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()
if(WIN32)
  # Windows headers: no min/max macros, the wide-and-narrow API of NT class systems.
  # The C99 printf family (%zu, %lld) in place of the system runtime's own.
  add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 __USE_MINGW_ANSI_STDIO=1)
endif()

if(VYN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
