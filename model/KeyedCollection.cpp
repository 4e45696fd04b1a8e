#include "model/KeyedCollection.h"

namespace vantor {

QString FoldKey(const QString& key) {
    // Upper-casing first applies the full mappings (ß -> SS); folding then evens out the rest.
    return key.toUpper().toCaseFolded();
}

} // namespace vantor
