#pragma once

namespace vantor {

// The scripts the comparison window writes for one object and one database.
enum class ScriptCommand { Create, Drop, Alter };

} // namespace vantor
