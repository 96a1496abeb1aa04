// The kit instrument, in the same shared object as the single-sound one.
#pragma once

#include <lv2/core/lv2.h>

namespace tunk::lv2 {

const LV2_Descriptor* KitDescriptor();

} // namespace tunk::lv2
