# FLTK 1.3, linked statically (Debian's libfltk1.3-dev carries libfltk.a and
# libfltk_images.a), so that a setup program carries no FLTK library of its own; the
# system's X, font and image libraries stay shared. Defines the target FLTK::Static.
find_library(FLTK_STATIC_LIBRARY NAMES libfltk.a)
find_library(FLTK_IMAGES_STATIC_LIBRARY NAMES libfltk_images.a)
find_path(FLTK_INCLUDE_DIR FL/Fl.H)
if(NOT FLTK_STATIC_LIBRARY OR NOT FLTK_IMAGES_STATIC_LIBRARY OR NOT FLTK_INCLUDE_DIR)
  message(FATAL_ERROR "The FLTK view needs FLTK's static libraries and headers "
                      "(Debian: libfltk1.3-dev); configure with -DSE_WITH_FLTK=OFF to build without it.")
endif()
find_package(X11 REQUIRED COMPONENTS Xext Xft Xrender Xcursor Xfixes Xinerama)
find_package(Fontconfig REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)

add_library(FLTK::Static INTERFACE IMPORTED)
target_include_directories(FLTK::Static INTERFACE ${FLTK_INCLUDE_DIR})
target_link_libraries(FLTK::Static INTERFACE
  ${FLTK_IMAGES_STATIC_LIBRARY} ${FLTK_STATIC_LIBRARY}
  PNG::PNG JPEG::JPEG ZLIB::ZLIB
  X11::Xrender X11::Xcursor X11::Xfixes X11::Xext X11::Xft Fontconfig::Fontconfig
  X11::Xinerama X11::X11 Threads::Threads ${CMAKE_DL_LIBS} m)
