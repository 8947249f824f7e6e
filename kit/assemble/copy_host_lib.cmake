# Copies a host build's kit/lib into a cross build's kit.
if(NOT EXISTS "${FROM}/vyncrt0.obj" OR NOT EXISTS "${FROM}/libc.lib")
  message(FATAL_ERROR "kit: ${FROM} holds no assembled runtime; build the native preset's kit first "
                      "(cmake --build --preset native --target kit) or set VYN_HOST_KIT")
endif()
file(REMOVE_RECURSE "${TO}")
file(COPY "${FROM}/" DESTINATION "${TO}")
