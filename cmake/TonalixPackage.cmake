# `make package`: one Debian package of the installed program. Its dependencies are the shared
# libraries the program links (found by dpkg-shlibdeps) and a General MIDI SoundFont, so that a
# fresh system sounds at once; nothing needed only to build or test it.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tonalix-studio")
set(CPACK_PACKAGE_VENDOR "Tonalix")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Virtual piano and small MIDI studio")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY "tonalix-studio")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tonalix STUDIO developers <studio@tonalix.example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TONALIX_HOMEPAGE})
# The summary above is the first line; these lines follow it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A 65-key piano played with the mouse or the computer keyboard, the 128 General\nMIDI instruments, ten repeating drum pads, twenty sample songs and a WAV\nrecorder. A built-in synthesizer plays through the desktop's sound server.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not linked, so not found by dpkg-shlibdeps: the synthesizer library (opened when the sound
# starts), the SoundFont it plays, and Qt's Wayland plugin, without which a Wayland desktop gets
# XWayland at best and no window where XWayland is absent.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "${TONALIX_FLUIDSYNTH_PACKAGE}, fluid-soundfont-gm | timgm6mb-soundfont, qt6-wayland")
include(CPack)
