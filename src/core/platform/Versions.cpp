#include "platform/Versions.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <libxml/globals.h>
#include <libxml/xmlversion.h>
#include <png.h>
#include <zlib.h>

#ifndef SCENEWRIGHT_VERSION
#define SCENEWRIGHT_VERSION "0"
#endif

namespace sw::versions {

const char* Program() {
    return SCENEWRIGHT_VERSION;
}

std::string Libraries() {
    char jpeg[16];
    std::snprintf(jpeg, sizeof jpeg, "%d.%d", JPEG_LIB_VERSION / 10, JPEG_LIB_VERSION % 10);
    // The library in use states its version as one number, 20914 for 2.9.14.
    const long xml = std::strtol(xmlParserVersion, nullptr, 10);
    char xmlDotted[32];
    std::snprintf(xmlDotted, sizeof xmlDotted, "%ld.%ld.%ld", xml / 10000, xml / 100 % 100,
                  xml % 100);
    return std::string("libxml2 ") + xmlDotted + "\n" + "libpng " + png_get_libpng_ver(nullptr) +
           "\n" + "libjpeg (API) " + jpeg + "\n" + "zlib " + zlibVersion() + "\n";
}

} // namespace sw::versions
