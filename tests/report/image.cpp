// Reads a PNG file into RGB pixels with libpng, when the build has it.
#include "tests/report/image.h"

#ifdef REPORT_HAVE_PNG
#include <png.h>
#endif

namespace report_test {

bool can_load_png() {
#ifdef REPORT_HAVE_PNG
    return true;
#else
    return false;
#endif
}

bool load_png(const std::string& path, Image* img) {
#ifdef REPORT_HAVE_PNG
    png_image p{};
    p.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&p, path.c_str())) return false;
    p.format = PNG_FORMAT_RGB;
    img->width = static_cast<int>(p.width);
    img->height = static_cast<int>(p.height);
    img->rgb.resize(PNG_IMAGE_SIZE(p));
    return png_image_finish_read(&p, nullptr, img->rgb.data(), 0, nullptr) != 0;
#else
    (void)path;
    (void)img;
    return false;
#endif
}

} // namespace report_test
