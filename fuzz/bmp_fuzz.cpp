// The bitmap reader over arbitrary bytes: no crash, no read out of bounds, no allocation beyond
// what the header's checked sides allow once the data is known to be there. A decoded image is
// also scaled and drawn as a picture would be, so odd sizes reach the canvas too.

#include "liba/memory_reader.h"
#include "os/surface.h"
#include "skinner/bmp_reader.h"
#include "skinner/canvas.h"
#include "skinner/picture_rep.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    liba::MemoryReader reader(data, uint32_t(size));
    os::Surface image;
    std::u16string error;
    if (!skinner::read_bmp(reader, image, error))
        return 0;
    if (image.width <= 0 || image.height <= 0
        || image.pixels.size() != size_t(image.width) * size_t(image.height))
        __builtin_trap();
    os::Surface scaled;
    if (image.pixels.size() < 4096 && skinner::scale_surface(image, 2, scaled)) {
        os::Surface target(64, 64);
        skinner::Canvas canvas(target);
        canvas.stretch({{-3, 5}, {70, 20}}, scaled, {{1, 1}, {scaled.width, scaled.height}});
        canvas.tile({{0, 0}, {64, 64}}, scaled, {{-1, 0}, {3, 3}}, skinner::RasterOp::And);
    }
    return 0;
}
