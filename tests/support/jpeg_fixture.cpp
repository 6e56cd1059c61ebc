#include <turbojpeg.h>

#include "tests/support/image_fixture.h"

namespace tav::test {

bool encodeJpeg(int width, int height, const std::vector<std::uint8_t>& rgb,
                std::vector<std::uint8_t>& out) {
  tjhandle tj = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const bool ok = tjCompress2(tj, rgb.data(), width, width * 3, height, TJPF_RGB, &jpeg, &size,
                              TJSAMP_444, 100, 0) == 0;
  if (ok) out.assign(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(tj);
  return ok;
}

}  // namespace tav::test
