#pragma once

#include "model/Schema.h"

namespace vantor::test {

// The order-entry database of examples/ at its two versions: V1 is the older one, which the
// main job opens as the secondary database, V2 the newer one it opens as the primary.
Schema ExampleOrdersV1();
Schema ExampleOrdersV2();

} // namespace vantor::test
