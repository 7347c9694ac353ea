# The Debian package: `cpack -G DEB` in a configured and built tree (scripts/package does all three).
# Library dependencies come from dpkg-shlibdeps; what the program loads at run time without linking it
# (Qt's Polish texts, the browser opener) is recommended here.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "pixvalelink")
set(CPACK_PACKAGE_VENDOR "Pixvale")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGE_CONTACT "Pixvale <pomoc@pixvale.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Prepare photos and order prints from Pixvale")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.pixvale.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
# The long description in English and in Polish; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "PixvaleLink is the desktop client of the Pixvale photo-printing service. Point
it at a folder of JPEG and TIFF photos, correct them (red-eye, brightness,
contrast, colours), crop them to a print format one at a time or all at once,
and send the chosen ones into an album of your Pixvale account, where you
order the prints.
.
PixvaleLink to program serwisu Pixvale do zamawiania odbitek zdjęć. Wskaż
folder ze zdjęciami JPEG i TIFF, popraw je (czerwone oczy, jasność, kontrast,
kolory), wykadruj do formatu odbitki pojedynczo lub wszystkie naraz i wyślij
wybrane do albumu na swoim koncie Pixvale, gdzie zamówisz odbitki.")

include(CPack)
