#pragma once

#include "engine/DbSchema.h"

namespace vantor::test {

// The order-entry database of examples/ at its two versions: V1 is the older one, which the
// main job opens as the secondary database, V2 the newer one it opens as the primary.
DbSchema ExampleOrdersV1();
DbSchema ExampleOrdersV2();

} // namespace vantor::test
