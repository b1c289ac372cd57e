#include "image/image_fill.h"

#include "chip_catalogue.h"

namespace kvn::image {

void FillBlank(ImageBuffer &image, int32_t record) { image.bytes.fill(catalogue::BlankValue(record)); }

}  // namespace kvn::image
