/* stb_image and stb_image_write compiled once for the Windows build, as Debian's libstb is for
   Linux: PNG, BMP, TGA and JPEG in; PNG and JPEG out (captures, test fixtures). */
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_write.h>
