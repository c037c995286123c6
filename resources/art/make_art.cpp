// mivo-art: writes the resource library's pictures into a folder
// (resources/pictures/ when regenerating the committed copies).
#include <cstdio>
#include <string>
#include <vector>

#include "pictures.h"

using namespace mivo::art;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mivo-art <output folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = true;
  auto write_bmp = [&](const std::string& name, const Canvas& c) {
    ok &= write_file(dir + "/" + name,
                     encode_bmp(c.width(), c.height(), c.flatten(kBitmapBackground)));
  };
  write_bmp("about.bmp", draw_about_banner());
  write_bmp("new_password.bmp", draw_new_password());
  for (RibbonPicture picture : kRibbonPictures) {
    const Canvas c = draw_ribbon_picture(picture);
    ok &= write_file(dir + "/" + ribbon_picture_file(picture),
                     encode_bmp(c.width(), c.height(), c.flatten(kRibbonBackground)));
  }
  for (int frame = 0; frame < kBusyFrames; ++frame) {
    std::vector<Canvas> sizes;
    for (int size : kBusyIconSizes) sizes.push_back(draw_busy_frame(frame, size));
    std::vector<const Canvas*> images;
    for (const Canvas& c : sizes) images.push_back(&c);
    ok &= write_file(dir + "/busy_" + std::to_string(frame + 1) + ".ico", encode_ico(images));
  }
  if (!ok) std::fprintf(stderr, "mivo-art: could not write into %s\n", dir.c_str());
  return ok ? 0 : 1;
}
