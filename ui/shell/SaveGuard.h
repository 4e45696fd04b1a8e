#pragma once

#include <QString>

namespace vantor {

class Desktop;
class Session;

// Says why path must not be written, and answers true, when saving there would replace one of
// the session's databases or any Access file; the file is then left as it is.
bool RefuseHarmfulSave(Desktop& desktop, const Session& session, const QString& path);

} // namespace vantor
