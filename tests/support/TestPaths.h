#pragma once

#include <QString>

namespace vantor::test {

// The folder of real Access files beside the repository, or empty when it is absent.
QString SharedAccessDir();
QString SourceDir();
QString BinaryDir();

} // namespace vantor::test
